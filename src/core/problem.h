#pragma once

#include <QString>
#include <QStringList>

namespace Zentovia {

// What went wrong, as the code that met it knows it: a reason of its own
// library's (an enum whose first value, None, is no problem) and the detail
// it has. It holds no sentence: the words a person reads are written once, at
// the edge where the problem is shown (src/telling/), so that code and tests
// decide on the reason, never on the wording.
//
// One shape throughout: a call that can fail returns false, nullopt or
// nullptr; an object that lives across calls keeps the last problem
// (problem()), a function or a factory fills the one it is handed, and an
// object whose work runs on a thread of its own says it by a signal,
// problem(const ...Problem &).
template<typename Reason>
struct Problem
{
    Problem() = default;
    Problem(
        Reason why, const QString &about = QString(), const QStringList &said = {}, int itsCode = 0)
        : reason(why)
        , subject(about)
        , details(said)
        , code(itsCode)
    { }

    Reason reason = Reason::None;
    // What it concerns: a file, a database, where a setting came from.
    QString subject;
    // What the layer below said, or the values refused, as they were; in the
    // order the reason's words use them.
    QStringList details;
    // The layer below's own code, when it has one (SQLite's result code).
    int code = 0;

    explicit operator bool() const { return reason != Reason::None; }
    QString detail(int n = 0) const { return details.value(n); }
    bool operator==(const Problem &) const = default;
    // For a developer (a test's or a benchmark's message), not a person.
    QString toDebugString() const
    {
        return QStringLiteral("reason %1 (%2) %3 [%4]")
            .arg(QString::number(int(reason)), subject, details.join(u'|'), QString::number(code));
    }
};

} // namespace Zentovia
