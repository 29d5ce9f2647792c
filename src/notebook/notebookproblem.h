#pragma once

#include "core/problem.h"

namespace Zentovia {

// Why the notebook failed. subject: the notebook's file; code, for the
// reasons SQLite gave: its primary result code, with its own text in detail.
enum class NotebookReason {
    None,
    NoDataFolder, // neither XDG_DATA_HOME nor HOME
    FolderNotMade, // detail: the folder
    NotOpened, // SQLite's
    NotRead, // SQLite's
    NotPrepared, // SQLite's, laying it out or migrating it
    NotWritten, // SQLite's
    NotErased, // SQLite's
    NewerVersion, // detail: the file's version, left as it is
    NotSetAside, // no notebook, and it could not be renamed to detail
    SetAside, // no problem for the caller: it was no notebook, kept as detail
    InvalidAnswer, // details: typed, table, multiplier
    InvalidFactSeconds, // detail: the seconds
    InvalidContestMinutes, // detail: the minutes
};
using NotebookProblem = Problem<NotebookReason>;

} // namespace Zentovia
