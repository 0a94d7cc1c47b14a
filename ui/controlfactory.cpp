// SPDX-License-Identifier: GPL-3.0-or-later
#include "controlfactory.h"

#include "answerbox.h"
#include "artwork.h"
#include "captionlabel.h"
#include "contrast.h"
#include "picturebutton.h"

#include <QApplication>

namespace ui {

namespace {
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

QWidget *createLabel(const ControlEntry &entry, QWidget *parent)
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
    applyColours(label, entry, false);
    label->setAccessibleDescription(QString::fromUtf8(entry.description));
    label->setCursor(entry.flags & flag::IconPointer ? Qt::PointingHandCursor : Qt::ArrowCursor);
    return label;
}

QWidget *createTextBox(const ControlEntry &entry, QWidget *parent)
{
    auto *box = new AnswerBox(parent);
    applyColours(box, entry, false);
    box->setAccessibleName(QString::fromUtf8(entry.description));
    return box;
}

QWidget *createButton(const ControlEntry &entry, QWidget *parent)
{
    QPushButton *button = nullptr;
    if (entry.flags & flag::Graphical) {
        auto *graphic = new PictureButton(parent);
        const qreal ratio = parent->devicePixelRatioF();
        auto art = [ratio](const char *name) {
            return artwork::picture(QString::fromLatin1(name), QSize(32, 32), ratio);
        };
        graphic->setPictures(art(entry.pictures.normal), art(entry.pictures.pressed),
                             art(entry.pictures.disabled));
        button = graphic;
    } else {
        button = new QPushButton(parent);
    }
    button->setAutoDefault(false);
    applyColours(button, entry, false);
    button->setEnabled(!(entry.flags & flag::Disabled));
    button->setAccessibleName(QString::fromUtf8(entry.description));
    button->setCursor(entry.flags & flag::IconPointer ? Qt::PointingHandCursor : Qt::ArrowCursor);
    return button;
}

QWidget *createImage(const ControlEntry &entry, QWidget *parent)
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

void applyColours(QWidget *widget, const ControlEntry &entry, bool highContrast)
{
    const Colours colours =
        highContrast ? highContrastColours(entry) : Colours{entry.fore, entry.back};
    const auto [foreRole, backRole] =
        entry.kind == Kind::TextBox         ? std::pair(QPalette::Text, QPalette::Base)
        : entry.kind == Kind::CommandButton ? std::pair(QPalette::ButtonText, QPalette::Button)
                                            : std::pair(QPalette::WindowText, QPalette::Window);
    // Every group, so a disabled control keeps the colour too.
    QPalette palette = widget->palette();
    if (colours.fore)
        palette.setColor(foreRole, QColor::fromRgb(*colours.fore));
    if (colours.back)
        palette.setColor(backRole, QColor::fromRgb(*colours.back));
    widget->setPalette(palette);
}

QFont tableFont(const FontEntry &entry)
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

QWidget *createControl(const ControlEntry &entry, QWidget *parent)
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
