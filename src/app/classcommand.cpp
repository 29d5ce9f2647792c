#include "app/classcommand.h"

#include "app/commandline.h"
#include "classserver/classdatabase.h"
#include "classserver/classlist.h"
#include "classserver/picturecode.h"
#include "classserver/serversettings.h"
#include "telling/telling.h"

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

QString listOf(const QStringList &names)
{
    return names.join(u", "_s);
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
        if (list.problem != ClassReason::None)
            return failed(u"Non importo «%1»: %2; l'elenco resta com'era."_s.arg(
                commandLine.classFile, Telling::classListFile(list.problem)));
        const std::optional<ClassList::Added> added = ClassList::add(*database, list.names, &why);
        if (!added)
            return failed(
                u"Non importo l'elenco: %1; l'elenco resta com'era."_s.arg(Telling::classWhy(why)));
        say(u"Aggiunti %1 bambini all'elenco della classe%2"_s.arg(added->added.size())
                .arg(added->added.isEmpty() ? u"."_s : u": "_s + listOf(added->added) + u'.'));
        if (!added->already.isEmpty())
            say(u"Già nell'elenco: %1."_s.arg(listOf(added->already)));
        if (!list.twice.isEmpty())
            say(u"Due volte nel file, aggiunti una volta: %1."_s.arg(listOf(list.twice)));
        if (!list.skipped.isEmpty()) {
            QStringList lines;
            for (const int line : list.skipped)
                lines << QString::number(line);
            say(u"Righe senza un nome, saltate: %1."_s.arg(lines.join(u", "_s)));
        }
        return 0;
    }
    case CommandLine::ClassCommand::List: {
        const std::optional<QStringList> names = ClassList::names(*database, &why);
        if (!names)
            return failed(
                u"Non riesco a leggere l'elenco della classe: %1."_s.arg(Telling::classWhy(why)));
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
    const Assignment assignment { commandLine.tables, commandLine.until };
    if (!ClassList::assign(*database, assignment, commandLine.child, &why))
        return failed(u"Non riesco ad assegnare le tabelline: %1."_s.arg(Telling::classWhy(why)));
    QStringList tables;
    for (const int table : commandLine.tables)
        tables << QString::number(table);
    say(u"%1 %2 a %3 fino al %4."_s.arg(
        tables.size() == 1 ? u"Assegnata la tabellina del"_s : u"Assegnate le tabelline del"_s,
        tables.join(u", "_s),
        commandLine.child.isEmpty() ? u"tutta la classe"_s : commandLine.child,
        commandLine.until.toString(u"dd/MM/yyyy"_s)));
    return 0;
}

} // namespace Zentovia
