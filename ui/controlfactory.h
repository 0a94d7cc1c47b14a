// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controltable.h"

#include <QFont>

class QWidget;

namespace ui {

// The font of a table entry. Faces missing on this machine are replaced by
// metric-compatible ones, so the layout is the same everywhere.
QFont tableFont(const FontEntry &entry);

// Colours the widget of a table entry as the table says, or in high contrast.
void applyColours(QWidget *widget, const ControlEntry &entry, bool highContrast);

// Creates the widget of one table entry on the parent; nullptr for a timer.
QWidget *createControl(const ControlEntry &entry, QWidget *parent);

} // namespace ui
