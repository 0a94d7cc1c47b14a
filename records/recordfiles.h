// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace platform {
class Services;
}

namespace records {

inline constexpr char PointsFileName[] = "zorlak10.txt";
inline constexpr char NameFileName[] = "zorlak100.txt";

// Paths in a record folder (one that ends with its separator).
QString pointsPath(const QString &dir);
QString namePath(const QString &dir);
QString lockPath(const QString &dir);
QString markerPath(const QString &dir);

// The folder holding the record files, created when missing, with exactly one
// trailing separator.
QString GetSystemDir(const platform::Services &services);

// Raises a run-time error unless path is absent or a regular file (a symlink
// to one included): a FIFO would block, a dangling link would create a file
// elsewhere.
void requireRegularOrAbsent(const QString &path);

// Creates the file empty when missing; an existing file is left untouched.
void ensureFileExists(const QString &path);

// The whole file, line ends included (at most its first 64 KiB).
QString Leggifiletxt(const QString &nomefile);

struct StoredRecord {
    QString points;
    QString name;
};

// What start-up needs, all under the record lock: finishes or discards an
// interrupted save, creates missing files (points first), reads both.
StoredRecord openRecord(const QString &dir);

// Replaces both record files, each with one CR LF line, all or nothing: on any
// failure the old pair stays and a run-time error is raised. The caller holds
// the record lock.
void saveRecord(const QString &dir, const QString &points, const QString &name);

// Completes or discards a save that was interrupted (power cut, killed
// process), so the folder holds either the old pair or the new pair. The
// caller holds the record lock.
void finishInterruptedSave(const QString &dir);

// Tests pause a save between its steps through this; the program sets none.
using StepObserver = void (*)(const char *step);
void observeSteps(StepObserver observer);
void reachedStep(const char *step);

} // namespace records
