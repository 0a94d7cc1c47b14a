// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QDialog;
class QFormLayout;

namespace registroui {

// OK and Annulla under a form; whether OK closed it.
bool accepted(QDialog &dialog, QFormLayout *form);

} // namespace registroui
