// SPDX-License-Identifier: GPL-3.0-or-later
// How long one question's backdrop takes on the real client-area widget at
// 1280 x 800, 1920 x 1080 and 3840 x 2160: a fresh drawing, the 256 bands and
// the repaint of the window, best and median of many runs (offscreen).
#include "backdrop.h"
#include "surface.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QSize sizes[] = {{1280, 800}, {1920, 1080}, {3840, 2160}};
    for (const QSize size : sizes) {
        ui::Surface surface;
        surface.resize(size);
        surface.show();
        QApplication::processEvents();
        std::vector<double> ms;
        for (int run = 0; run < 200; ++run) {
            QElapsedTimer clock;
            clock.start();
            drill::paintBands(surface.beginDrawing(), 10 * (run % 15));
            surface.endDrawing();
            surface.repaint();
            ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        }
        const double first = ms.front(); // includes making the drawing itself
        std::sort(ms.begin(), ms.end());
        std::printf("backdrop %4dx%-4d  first %.2f ms  best %.2f  median %.2f  95th %.2f  "
                    "worst %.2f ms\n",
                    size.width(), size.height(), first, ms.front(), ms[ms.size() / 2],
                    ms[ms.size() * 95 / 100], ms.back());
    }
    return 0;
}
