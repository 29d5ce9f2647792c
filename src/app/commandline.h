#pragma once

#include "contest/contest.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace Zentovia {

// What the command line asks for: a contest on one times table (the 5
// unless told otherwise), the notebook's window, the notebook written out
// as a table, the help, the version, or nothing at all because it is wrong.
// Read before any window opens.
struct CommandLine
{
    enum class Action { Run, Notebook, Export, Class, Help, Version, Error };
    // What --classe asks of the class's server (the teacher's).
    enum class ClassCommand { Import, List, Assign, Codes };

    Action action = Action::Run;
    int table = DefaultTable;
    // A ripasso instead of a contest, on these tables (none: the child's own).
    bool practice = false;
    QList<int> tables;
    // The keypad on the screen, for a finger on a touch screen.
    bool keypad = false;
    // For Class: the command, its file or its tables, until when, for whom
    // (empty: the whole class).
    ClassCommand classCommand = ClassCommand::List;
    QString classFile;
    QDate until;
    QString child;
    // For Error: one line saying what is wrong, in Italian.
    QString error;

    // arguments[0] is the program itself.
    static CommandLine parse(const QStringList &arguments);
    static CommandLine parse(int argc, char **argv);
    // The help, in Italian, with the usage line first.
    static QString helpText();
    static QString versionText();
    // Whether the program goes on after reading the command line.
    bool runs() const
    {
        return action == Action::Run || action == Action::Notebook || action == Action::Export
            || action == Action::Class;
    }
    // The status the program ends with when it does not run: 0 for the
    // help and the version, 2 for a wrong command line.
    int exitStatus() const { return action == Action::Error ? 2 : 0; }
    // Prints what a command line that does not run asks for: the help or
    // the version on stdout, or the error and the help on stderr.
    void print() const;
};

} // namespace Zentovia
