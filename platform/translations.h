// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace platform {

// Qt's own texts (the buttons of its dialogs, the file dialog, a text box's
// menu, --help) in Italian, as every text of ours is, whatever the system's
// language; dates, numbers and calendars as Italy writes them. Silent when
// the translations are not installed.
void installItalianQt(QCoreApplication &app);

} // namespace platform
