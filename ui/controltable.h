// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QRgb>

#include <optional>
#include <span>

namespace ui {

enum class Kind { Label, TextBox, Image, CommandButton, Timer };

namespace flag {
inline constexpr unsigned Border = 1u << 0;      // 2-pixel sunken edge
inline constexpr unsigned Centred = 1u << 1;     // text centred horizontally
inline constexpr unsigned AutoSize = 1u << 2;    // follows its caption, growing right and down
inline constexpr unsigned Hidden = 1u << 3;      // never visible
inline constexpr unsigned Opaque = 1u << 4;      // paints its background
inline constexpr unsigned Graphical = 1u << 5;   // button with pictures
inline constexpr unsigned Disabled = 1u << 6;    // disabled at load
inline constexpr unsigned IconPointer = 1u << 7; // the icon-shaped mouse pointer
} // namespace flag

struct FontEntry {
    const char *face = nullptr; // nullptr: the window system's default
    double points = 0;
    bool bold = false;
    bool italic = false;
};

// The artwork (names in assets/art) a graphical button shows in each state.
struct PictureNames {
    const char *normal = nullptr;
    const char *pressed = nullptr;
    const char *disabled = nullptr;
};

// One control of the window as it is at load. Rectangles and sizes are in
// twips (1440 to the inch, 15 to a pixel at 96 dpi), from the client area's
// top-left corner.
struct ControlEntry {
    const char *name;
    Kind kind;
    const char *caption; // UTF-8
    FontEntry font;
    std::optional<QRgb> fore;
    std::optional<QRgb> back;
    QRect twips;
    unsigned flags;
    const char *tooltip;     // UTF-8, nullptr for none
    const char *description; // what assistive technology says the control is for
    PictureNames pictures = {};
};

inline constexpr int TwipsPerPixel = 15;
inline constexpr QRect twipsToPixels(QRect r)
{
    return {r.x() / TwipsPerPixel, r.y() / TwipsPerPixel, r.width() / TwipsPerPixel,
            r.height() / TwipsPerPixel};
}

// The restored client area and its screen position, in twips.
inline constexpr QRect ClientTwips{2040, 1620, 11880, 8310};
inline constexpr int TimerIntervalMs = 1000;

std::span<const ControlEntry> controlTable();

} // namespace ui
