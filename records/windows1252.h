// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace records {

// The record files are Windows-1252 on every platform, as the files of the
// existing installations are. A character the code page lacks becomes '?'.
QByteArray encodeWindows1252(QStringView text);
QString decodeWindows1252(QByteArrayView bytes);

} // namespace records
