#pragma once

#include <QString>

namespace platform {
class Services;
}

namespace records {

inline constexpr char PointsFileName[] = "zorlak10.txt";
inline constexpr char NameFileName[] = "zorlak100.txt";

// The folder holding the record files, created when missing, with exactly one
// trailing separator.
QString GetSystemDir(const platform::Services &services);

// Creates the file empty when missing; an existing file is left untouched.
void ensureFileExists(const QString &path);

// The whole file, line ends included (at most its first 64 KiB).
QString Leggifiletxt(const QString &nomefile);

// Replaces both record files, each with one CR LF line, all or nothing: on any
// failure the old pair stays and a run-time error is raised.
void saveRecord(const QString &dir, const QString &points, const QString &name);

// Completes or discards a save that was interrupted (power cut, killed
// process), so the folder holds either the old pair or the new pair.
void finishInterruptedSave(const QString &dir);

} // namespace records
