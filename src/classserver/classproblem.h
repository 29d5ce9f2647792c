#pragma once

#include "core/problem.h"
#include "notebook/notebookproblem.h"

namespace Zentovia {

// Why the class's server, its database or its setting failed. subject: the
// database's name for the reasons about the database, the setting's source
// for those about the setting.
enum class ClassReason {
    None,
    NoLibpq, // detail: what the loader said
    NoMemory,
    NoReply, // detail: the seconds waited
    Stopping, // the program is closing: not one to tell
    ConnectionLost, // detail: libpq's message, when it had one
    PasswordRefused,
    PasswordNeeded,
    Unreachable, // detail: what libpq said
    TimedOut, // connecting
    NotAdmitted, // detail: what the server said
    NotPermitted, // detail: what the server said
    NoAnswer, // to a query
    ServerSaid, // detail: what the server said
    OtherProgram, // details: the tables found
    EmptyDatabase,
    NoVersion,
    NewerDatabase, // detail: its version
    OlderDatabase, // detail: its version; the administrator upgrades it
    OlderNotOwned, // detail: its version; this login may not upgrade it
    TeacherOnlyErase,
    TeacherOnlyFactSeconds,
    TeacherOnlyContestMinutes,
    EmptyName,
    AlreadyListed, // detail: the name, on the class list already
    NotText, // a class list file
    NoNames, // a class list file
    NoNameColumn, // a class list file
    CopyClash, // the server holds this computer's answers otherwise, still
    SettingInvalid, // subject: the setting's source
    SettingHasPassword, // subject: the setting's source
    Notebook, // this computer's notebook failed: see notebook
    // libpq's common refusals (detail: what libpq said, then a name)
    PgpassReadable,
    NoSuchDatabase,
    NoSuchRole,
    NoSuchService,
    UnknownHost,
    NotInHba,
    Refused,
    NoSocket,
    ClassRefused, // the class's database's own refusal, in Italian (detail)
    TeacherOnlyCode,
    EraseNotDone, // detail: the reason's own sentence is not kept
};

struct ClassProblem : Problem<ClassReason>
{
    using Problem<ClassReason>::Problem;

    NotebookProblem notebook;

    bool operator==(const ClassProblem &) const = default;

    static ClassProblem of(ClassReason reason, const QStringList &details = {})
    {
        return ClassProblem(reason, QString(), details);
    }
    static ClassProblem of(const NotebookProblem &notebook)
    {
        ClassProblem problem;
        problem.reason = ClassReason::Notebook;
        problem.notebook = notebook;
        return problem;
    }
};

} // namespace Zentovia
