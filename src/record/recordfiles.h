#pragma once

#include "core/tables.h"

#include <QString>
#include <QStringView>

#include <functional>

namespace Zentovia::Record {

// Each times table has a record of its own: its points and its holder's
// name, one line each, in two files named after the table ("azentrec7.txt",
// "nzentrec7.txt"). The 5's files are the ones the program always had.
QString pointsFileName(int table = DefaultTable);
QString nameFileName(int table = DefaultTable);

// Where the record lives: $XDG_DATA_HOME/zentovia/ (by default
// ~/.local/share/zentovia/), ending with exactly one '/'. Created when
// missing; raises Failure when it cannot be made.
QString GetSystemDir();
// A folder of its own inside dir (a contest of other than seven minutes
// keeps its records there), made as GetSystemDir's.
QString subfolder(const QString &dir, const QString &name);

// The full path of each record file of a table in dir, with one separator
// between.
QString pointsPath(const QString &dir, int table = DefaultTable);
QString namePath(const QString &dir, int table = DefaultTable);

// Creates the file empty when missing and leaves an existing one untouched.
// Raises Failure when it cannot.
void create(const QString &path);

// The file's whole content, line ends kept as they are ("12\r\n"), at most
// its first 64 KiB: a record is one short line, and a giant or binary file
// must neither exhaust memory nor hang the window. Bytes that are not UTF-8
// are read as replacement characters. Raises Failure when the file is
// missing or cannot be read.
QString Leggifiletxt(const QString &path);

// Stores text and a line end (CR LF) as UTF-8, whole or not at all: the new
// content is written beside the file and then renamed over it, so a crash,
// a kill or a full disk leaves the earlier content intact. Raises Failure
// when it cannot.
void store(const QString &path, const QString &text);

// store(), calling beforeReplace once the new content is written out and
// before it replaces the file. Lets the tests stop a store at that point.
void storeWithHook(
    const QString &path, const QString &text, const std::function<void()> &beforeReplace);

// The number at the start of the stored points: blanks, tabs and line feeds
// are skipped wherever they stand; the longest leading number is taken
// (digits, an optional sign in front, '.' as decimal point); any other
// character ends it, the CR of the line end included. No number gives 0.
// " 1 2\r\n" gives 12.
double leadingNumber(QStringView text);

} // namespace Zentovia::Record
