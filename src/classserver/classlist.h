#pragma once

#include "classserver/classlistfile.h"
#include "classserver/classproblem.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace Zentovia {

class ClassDatabase;

// The tables to work on until a day (its end included).
struct Assignment
{
    QList<int> tables;
    QDate until;
};

// The class list and the assignments on the class's server. The teacher's
// login changes them; the children's computers read the names and their
// assignment. Each returns nullopt or false with *why.
namespace ClassList {

struct Added
{
    QStringList added;
    QStringList already; // on the list before
};
// All of them in one transaction, or none.
std::optional<Added> add(ClassDatabase &database, const QStringList &names, ClassProblem *why);
std::optional<QStringList> names(ClassDatabase &database, ClassProblem *why);
// A child renamed, or a name joined to another child's (a name typed
// otherwise): the answers under from, and those that come under it later,
// are to's; so are its place on the list and its settings.
bool rename(ClassDatabase &database, const QString &from, const QString &to, ClassProblem *why);
// A join undone: the answers that came to another child from the name
// joined (as typed) are its own again, and so are those sent under it later.
bool unjoin(ClassDatabase &database, const QString &joined, ClassProblem *why);
// The teacher's: the child's new picture code (see PictureCode), in place of
// the old one.
bool setCode(ClassDatabase &database, const QString &child, const QString &code, ClassProblem *why);
// Off the list; the child's answers stay.
bool remove(ClassDatabase &database, const QString &name, ClassProblem *why);
// child empty: for the whole class.
bool assign(
    ClassDatabase &database, const Assignment &assignment, const QString &child, ClassProblem *why);
// The child's, or else the class's; nullopt with no *why when none holds.
std::optional<Assignment> assignmentFor(
    ClassDatabase &database, const QString &child, ClassProblem *why);

// "7,9 2027-01-15", as a notebook keeps the last one seen.
QString toText(const Assignment &assignment);
std::optional<Assignment> fromText(const QString &text);

} // namespace ClassList

} // namespace Zentovia
