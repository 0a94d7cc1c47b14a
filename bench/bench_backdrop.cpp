// How long painting one question's backdrop takes on a 3840 x 2160 client
// area (and on smaller ones), best and median of many runs.
#include "backdrop.h"

#include <QElapsedTimer>
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <vector>

int main()
{
    const QSize sizes[] = {{1280, 800}, {1920, 1080}, {3840, 2160}};
    for (const QSize size : sizes) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        std::vector<double> ms;
        for (int run = 0; run < 200; ++run) {
            QElapsedTimer clock;
            clock.start();
            drill::paintBands(image, 10 * (run % 15));
            ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        std::sort(ms.begin(), ms.end());
        std::printf("backdrop %4dx%-4d  best %.2f ms  median %.2f ms  worst %.2f ms\n",
                    size.width(), size.height(), ms.front(), ms[ms.size() / 2], ms.back());
    }
    return 0;
}
