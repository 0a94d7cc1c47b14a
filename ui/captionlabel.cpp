// SPDX-License-Identifier: GPL-3.0-or-later
#include "captionlabel.h"

#include <QFontMetrics>

namespace ui {

namespace {
// CR LF (and a lone CR) is one line break on screen.
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}
} // namespace

CaptionLabel::CaptionLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setMargin(0);
    setIndent(0);
}

void CaptionLabel::setCaption(const QString &caption)
{
    m_caption = caption;
    setText(displayText(caption));
    if (m_autoSize)
        resize(captionSize());
}

QSize CaptionLabel::captionSize() const
{
    const QString shown = text();
    const QFontMetrics metrics(font());
    const int lines = int(shown.count(u'\n')) + 1;
    int width = 0;
    for (const QString &line : shown.split(u'\n'))
        width = std::max(width, metrics.horizontalAdvance(line));
    const int frame = 2 * frameWidth();
    return {width + frame, lines * metrics.lineSpacing() + frame};
}

} // namespace ui
