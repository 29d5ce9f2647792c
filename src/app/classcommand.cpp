#include "app/classcommand.h"

#include "app/commandline.h"
#include "classserver/classdatabase.h"
#include "classserver/classlist.h"
#include "classserver/picturecode.h"
#include "classserver/serversettings.h"
#include "notebook/notebook.h"
#include "telling/telling.h"
#include "words/tablewords.h"

#include <QFile>
#include <QLoggingCategory>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

int failed(const QString &problem)
{
    Telling::toStderr(problem);
    return 1;
}

void say(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
}

} // namespace

int runClassCommand(const CommandLine &commandLine, const ServerSettings &server)
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    if (server.problem())
        return failed(Telling::classSetting(server.problem()));
    if (!server.isSet())
        return failed(u"L'elenco della classe sta nell'archivio della classe, che su questo "
                      "computer non è impostato (l'impostazione archivio, vedi il README)."_s);
    ClassProblem why;
    const std::unique_ptr<ClassDatabase> database
        = ClassDatabase::open(server.connection(), 5000, -1, &why);
    if (!database)
        return failed(
            u"Non riesco a raggiungere l'archivio della classe: %1."_s.arg(Telling::classWhy(why)));

    switch (commandLine.classCommand) {
    case CommandLine::ClassCommand::Import: {
        QFile file(commandLine.classFile);
        if (!file.open(QIODevice::ReadOnly))
            return failed(
                u"Non riesco a leggere «%1»: %2."_s.arg(commandLine.classFile, file.errorString()));
        const ClassListFile list = readClassList(file.read(4 * 1024 * 1024));
        // Line by line, what was left out and why.
        QStringList skipped;
        for (const ClassListFile::Skipped &line : list.skipped)
            skipped << u"Saltata la riga %1 (%2): %3"_s.arg(line.line).arg(
                Telling::skippedLine(line.why), line.text);
        if (list.problem != ClassReason::None) {
            for (const QString &line : std::as_const(skipped))
                Telling::toStderr(line);
            return failed(u"Non importo «%1»: %2; l'elenco resta com'era."_s.arg(
                commandLine.classFile, Telling::classListFile(list.problem)));
        }
        const std::optional<ClassList::Added> added = ClassList::add(*database, list.names, &why);
        if (!added)
            return failed(
                u"Non importo l'elenco: %1; l'elenco resta com'era."_s.arg(Telling::classWhy(why)));
        const qsizetype count = added->added.size();
        say(count == 0 ? u"Nessun bambino aggiunto all'elenco della classe."_s
                       : u"%1 %2 all'elenco della classe: %3."_s.arg(
                           count == 1 ? u"Aggiunto"_s : u"Aggiunti"_s,
                           counted(count, u"bambino"_s, u"bambini"_s), listed(added->added)));
        if (!added->already.isEmpty())
            say(u"Già nell'elenco: %1."_s.arg(listed(added->already)));
        if (!list.twice.isEmpty())
            say(u"Due volte nel file, %1 una volta: %2."_s.arg(
                list.twice.size() == 1 ? u"aggiunto"_s : u"aggiunti"_s, listed(list.twice)));
        for (const QString &line : std::as_const(skipped))
            say(line);
        return 0;
    }
    case CommandLine::ClassCommand::List: {
        const std::optional<QStringList> names = ClassList::names(*database, &why);
        if (!names)
            return failed(
                u"Non riesco a leggere l'elenco della classe: %1."_s.arg(Telling::classWhy(why)));
        if (names->isEmpty())
            say(u"L'elenco della classe è vuoto: aggiungi i bambini con zentovia --classe "
                "importa classe.csv."_s);
        for (const QString &name : *names)
            say(name);
        return 0;
    }
    case CommandLine::ClassCommand::Codes: {
        // The codes are kept hashed: written here once, for the cards.
        const std::optional<QStringList> names = commandLine.child.isEmpty()
            ? ClassList::names(*database, &why)
            : std::optional<QStringList>(QStringList { commandLine.child });
        if (!names)
            return failed(
                u"Non riesco a leggere l'elenco della classe: %1."_s.arg(Telling::classWhy(why)));
        for (const QString &name : *names) {
            const QString code = PictureCode::draw();
            if (!ClassList::setCode(*database, name, code, &why))
                return failed(
                    u"Non riesco a dare il codice a %1: %2."_s.arg(name, Telling::classWhy(why)));
            say(u"%1: %2"_s.arg(name, PictureCode::spoken(code)));
        }
        return 0;
    }
    case CommandLine::ClassCommand::Assign:
        break;
    }
    // Today is the last day it can end: one already past would put an
    // expired assignment in place of the class's.
    if (commandLine.until < QDate::currentDate())
        return failed(u"Il %1 è già passato: scegli come ultimo giorno oggi o un giorno che "
                      "deve ancora venire; il compito resta com'era."_s.arg(
                          commandLine.until.toString(u"dd/MM/yyyy"_s)));
    QString child = commandLine.child;
    if (!child.isEmpty()) {
        const std::optional<QStringList> names = ClassList::names(*database, &why);
        if (!names)
            return failed(
                u"Non riesco a leggere l'elenco della classe: %1."_s.arg(Telling::classWhy(why)));
        const auto listed = std::find_if(names->begin(), names->end(), [&](const QString &name) {
            return Notebook::childKey(name) == Notebook::childKey(child);
        });
        if (listed == names->end())
            return failed(u"%1 non è nell'elenco della classe (zentovia --classe elenco): "
                          "il compito resta com'era."_s.arg(child));
        child = *listed;
    }
    const Assignment assignment { commandLine.tables, commandLine.until };
    if (!ClassList::assign(*database, assignment, child, &why))
        return failed(u"Non riesco ad assegnare le tabelline: %1."_s.arg(Telling::classWhy(why)));
    say(u"%1 %2 a %3 fino al %4."_s.arg(
        commandLine.tables.size() == 1 ? u"Assegnata"_s : u"Assegnate"_s,
        tablesNamed(commandLine.tables), child.isEmpty() ? u"tutta la classe"_s : child,
        commandLine.until.toString(u"dd/MM/yyyy"_s)));
    return 0;
}

} // namespace Zentovia
