// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QMessageBox;
class QPushButton;

namespace platform {

// Gives a box the buttons Sì and No, with No the default and Escape's answer,
// so that a stray Enter never says yes. Returns the Sì button.
QPushButton *addYesNo(QMessageBox &box);

} // namespace platform
