// SPDX-License-Identifier: GPL-3.0-or-later
#include "controlfactory.h"

#include "artwork.h"
#include "captionlabel.h"
#include "picturebutton.h"

#include <QApplication>
#include <QLineEdit>
#include <QValidator>

#include <algorithm>

namespace ui {

namespace {
constexpr int MaxAnswerLength = 4;

void installFontSubstitutes()
{
    static const bool done = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"),
                                  QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                                  QStringLiteral("Liberation Serif"));
        // No metric twin exists; a heavy, wide sans comes closest.
        QFont::insertSubstitution(QStringLiteral("Arial Black"), QStringLiteral("DejaVu Sans"));
        return true;
    }();
    Q_UNUSED(done);
}

void setColours(QWidget *widget, const ControlSpec &entry, QPalette::ColorRole foreRole,
                QPalette::ColorRole backRole)
{
    QPalette palette = widget->palette();
    if (entry.fore)
        palette.setColor(foreRole, QColor::fromRgb(*entry.fore));
    if (entry.back)
        palette.setColor(backRole, QColor::fromRgb(*entry.back));
    widget->setPalette(palette);
}

QWidget *createLabel(const ControlSpec &entry, QWidget *parent)
{
    auto *label = new CaptionLabel(parent);
    if (entry.flags & flag::Border)
        label->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    const Qt::Alignment horizontal =
        (entry.flags & flag::Centred) ? Qt::AlignHCenter : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignTop);
    label->setAutoSize(entry.flags & flag::AutoSize);
    // Fixed labels wrap at word boundaries; what falls below them is cut off.
    label->setWordWrap(!(entry.flags & flag::AutoSize));
    label->setAutoFillBackground(entry.flags & flag::Opaque);
    setColours(label, entry, QPalette::WindowText, QPalette::Window);
    label->setAccessibleDescription(QString::fromUtf8(entry.description));
    label->setCursor(entry.flags & flag::IconPointer ? Qt::PointingHandCursor : Qt::ArrowCursor);
    return label;
}

// Whatever reaches the answer box other than by typing (pasting with Ctrl+V,
// the context menu or a middle click) is reduced to its digits, at most four.
class DigitsOnly : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override
    {
        QString digits;
        int newPos = 0;
        for (qsizetype i = 0; i < input.size() && digits.size() < MaxAnswerLength; ++i) {
            if (input[i] >= u'0' && input[i] <= u'9') {
                digits += input[i];
                if (i < pos)
                    ++newPos;
            }
        }
        input = digits;
        pos = std::min(newPos, int(digits.size()));
        return Acceptable;
    }
};

QWidget *createTextBox(const ControlSpec &entry, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    // The validator alone keeps the limit: a maximum length on the box would
    // cut a pasted text before its letters were dropped.
    box->setValidator(new DigitsOnly(box));
    setColours(box, entry, QPalette::Text, QPalette::Base);
    box->setAccessibleName(QString::fromUtf8(entry.description));
    return box;
}

QWidget *createButton(const ControlSpec &entry, QWidget *parent)
{
    QPushButton *button = nullptr;
    if (entry.flags & flag::Graphical) {
        auto *graphic = new PictureButton(parent);
        const qreal ratio = parent->devicePixelRatioF();
        auto art = [ratio](const char *name) {
            return artwork::picture(QString::fromLatin1(name), QSize(32, 32), ratio);
        };
        if (QLatin1String(entry.name) == QLatin1String("cmdNext"))
            graphic->setPictures(art("face-smile"), art("face-neutral"), art("face-laugh"));
        else
            graphic->setPictures(art("no-entry"), art("no-entry"), art("no-entry"));
        button = graphic;
    } else {
        button = new QPushButton(parent);
    }
    button->setAutoDefault(false);
    setColours(button, entry, QPalette::ButtonText, QPalette::Button);
    button->setEnabled(!(entry.flags & flag::Disabled));
    button->setAccessibleName(QString::fromUtf8(entry.description));
    button->setCursor(entry.flags & flag::IconPointer ? Qt::PointingHandCursor : Qt::ArrowCursor);
    return button;
}

QWidget *createImage(const ControlSpec &entry, QWidget *parent)
{
    auto *image = new QLabel(parent);
    image->setPixmap(
        artwork::picture(QStringLiteral("stopwatch"), QSize(32, 32), parent->devicePixelRatioF()));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setAccessibleName(QString::fromUtf8(entry.description));
    image->setCursor(Qt::ArrowCursor);
    return image;
}
} // namespace

QFont tableFont(const FontSpec &entry)
{
    installFontSubstitutes();
    if (!entry.face)
        return QApplication::font();
    QFont font(QString::fromLatin1(entry.face));
    font.setPointSizeF(entry.points);
    font.setBold(entry.bold);
    font.setItalic(entry.italic);
    return font;
}

QWidget *createControl(const ControlSpec &entry, QWidget *parent)
{
    QWidget *widget = nullptr;
    switch (entry.kind) {
    case Kind::Label:
        widget = createLabel(entry, parent);
        break;
    case Kind::TextBox:
        widget = createTextBox(entry, parent);
        break;
    case Kind::CommandButton:
        widget = createButton(entry, parent);
        break;
    case Kind::Image:
        widget = createImage(entry, parent);
        break;
    case Kind::Timer:
        return nullptr;
    }
    widget->setObjectName(QString::fromLatin1(entry.name));
    widget->setFont(tableFont(entry.font));
    widget->setGeometry(twipsToPixels(entry.twips));
    const QString caption = QString::fromUtf8(entry.caption);
    if (auto *label = qobject_cast<CaptionLabel *>(widget)) {
        const bool autoSize = label->autoSize();
        label->setAutoSize(false); // sizes at load are the table's own
        label->setCaption(caption);
        label->setAutoSize(autoSize);
    } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
        button->setText(caption);
    }
    if (entry.tooltip)
        widget->setToolTip(QString::fromUtf8(entry.tooltip));
    widget->setVisible(!(entry.flags & flag::Hidden));
    return widget;
}

} // namespace ui
