// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "runtime.h"

#include <functional>

// The number of the run-time error that f raises; 0 when it raises none.
inline int runTimeErrorOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const platform::RunTimeError &error) {
        return error.number();
    }
    return 0;
}
