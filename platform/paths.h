// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {

// The per-user folder of the record, the teacher's sounds and the register,
// without a trailing separator. Core only: the teacher's program needs it
// without the sound stack that the rest of the services bring.
QString userDataFolder();

} // namespace platform
