#pragma once

#include "classserver/classproblem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Zentovia {

// A class list as a teacher has it: a CSV or text file exported by the
// school's register or saved by a spreadsheet. The header is looked for
// among the first lines, and the separator (';', tab or ',') read from it;
// the names are the column headed "Nome", "Alunno", "Alunno/Alunna",
// "Cognome e nome" and the like ("Cognome" and "Nome" apart are joined as
// "Cognome Nome"). With no header, the one column whose every value looks
// like a name. Title, blank, total and repeated header lines are skipped.
// UTF-8 (with a byte order mark or none), UTF-16 with its byte order mark
// (a spreadsheet's "Unicode text"), or Windows-1252.
struct ClassListFile
{
    // Why a line is skipped (said in Italian by Telling::skippedLine).
    enum class Skip { BeforeHeader, RepeatedHeader, Totals, NoName, NotAName };
    struct Skipped
    {
        int line = 0; // from 1
        Skip why = Skip::NoName;
        QString text; // the line as it stands, blanks at the ends taken off
        bool operator==(const Skipped &) const = default;
    };
    QStringList names; // as written, once each
    QStringList twice; // a name the file has again, as a child's key compares them
    QList<Skipped> skipped; // the lines skipped, but blank lines
    // Why the file is not a class list (NotText, NoNames, NoNameColumn);
    // None when it is.
    ClassReason problem = ClassReason::None;
};
ClassListFile readClassList(const QByteArray &bytes);

} // namespace Zentovia
