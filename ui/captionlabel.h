// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace ui {

// A label that keeps its caption exactly as set (line ends included) and, when
// auto-sized, grows or shrinks to the right and downwards from its top-left
// corner to fit the caption.
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on) { m_autoSize = on; }

    // The size the caption needs in the label's font, borders included.
    QSize captionSize() const;

private:
    QString m_caption;
    bool m_autoSize = false;
};

} // namespace ui
