#include "app/commandline.h"

#include "telling/telling.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

const QString TableOption = QStringLiteral("tabellina");
const QString NotebookOption = QStringLiteral("quaderno");
const QString ExportOption = QStringLiteral("esporta");
const QString PracticeOption = QStringLiteral("ripasso");
const QString ClassOption = QStringLiteral("classe");
const QString UntilOption = QStringLiteral("fino");
const QString ChildOption = QStringLiteral("bambino");
const QString KeypadOption = QStringLiteral("tastierino");

// The options that Qt's application object reads itself, with one dash or
// two: those followed by a value, and those that stand alone. "-style=X" and
// "-stylesheet=X" carry their value.
constexpr QLatin1StringView QtValued[] = { "platform"_L1, "platformpluginpath"_L1,
    "platformtheme"_L1, "plugin"_L1, "qwindowgeometry"_L1, "geometry"_L1, "qwindowtitle"_L1,
    "title"_L1, "qwindowicon"_L1, "icon"_L1, "display"_L1, "style"_L1, "stylesheet"_L1,
    "session"_L1, "name"_L1, "qmljsdebugger"_L1 };
constexpr QLatin1StringView QtAlone[]
    = { "reverse"_L1, "widgetcount"_L1, "nograb"_L1, "dograb"_L1, "sync"_L1, "testability"_L1 };

// The arguments without Qt's own options, which the application reads.
QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (i == 0 || !argument.startsWith(u'-')) {
            kept << argument;
            continue;
        }
        const QStringView name = QStringView(argument).mid(argument.startsWith(u"--") ? 2 : 1);
        const qsizetype equals = name.indexOf(u'=');
        const QStringView bare = equals < 0 ? name : name.left(equals);
        if (std::find(std::begin(QtAlone), std::end(QtAlone), bare) != std::end(QtAlone))
            continue;
        if (std::find(std::begin(QtValued), std::end(QtValued), bare) != std::end(QtValued)) {
            if (equals < 0)
                ++i; // the value follows
            continue;
        }
        kept << argument;
    }
    return kept;
}

// An unknown option as the child's parent typed it: "-x" or "--colore".
QString asTyped(const QString &name, const QStringList &arguments)
{
    for (const QString &argument : arguments) {
        const QString bare = argument.section(u'=', 0, 0);
        if (bare == u'-' + name || bare == u"--" + name)
            return bare;
    }
    return (name.size() == 1 ? u"-"_s : u"--"_s) + name;
}

CommandLine fail(CommandLine line, const QString &error)
{
    line.action = CommandLine::Action::Error;
    line.error = error;
    return line;
}

// --classe importa FILE | elenco | codici [--bambino NOME] | assegna N[,N] [--fino AAAA-MM-GG]
// [--bambino NOME]
CommandLine parseClass(const QCommandLineParser &parser, CommandLine line)
{
    line.action = CommandLine::Action::Class;
    const QString command = parser.value(ClassOption);
    const QStringList rest = parser.positionalArguments();
    if (command == u"elenco" && rest.isEmpty()) {
        line.classCommand = CommandLine::ClassCommand::List;
        return line;
    }
    if (command == u"codici" && rest.isEmpty()) {
        line.classCommand = CommandLine::ClassCommand::Codes;
        line.child = parser.value(ChildOption);
        return line;
    }
    if (command == u"importa" && rest.size() == 1) {
        line.classCommand = CommandLine::ClassCommand::Import;
        line.classFile = rest.first();
        return line;
    }
    if (command != u"assegna" || rest.size() != 1)
        return fail(line,
            QStringLiteral("Con --classe: importa FILE.csv, elenco, codici, oppure assegna N con "
                           "--fino AAAA-MM-GG."));
    line.classCommand = CommandLine::ClassCommand::Assign;
    for (const QString &value : rest.first().split(u',')) {
        bool ok = false;
        const int table = value.trimmed().toInt(&ok);
        if (!ok || table < FirstTable || table > LastTable)
            return fail(line,
                QStringLiteral("La tabellina \"%1\" non c'è: scegli un numero da %2 a %3.")
                    .arg(value)
                    .arg(FirstTable)
                    .arg(LastTable));
        if (!line.tables.contains(table))
            line.tables << table;
    }
    line.until = parser.isSet(UntilOption)
        ? QDate::fromString(parser.value(UntilOption), Qt::ISODate)
        : QDate::currentDate().addDays(7);
    if (!line.until.isValid())
        return fail(line,
            QStringLiteral("La data \"%1\" non è valida: scrivila come 2027-01-15.")
                .arg(parser.value(UntilOption)));
    line.child = parser.value(ChildOption).trimmed();
    return line;
}

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    // The parser's own help and version options would speak English before
    // any translation is loaded: ours are plain options with Italian help.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption({ { QStringLiteral("h"), QStringLiteral("help") }, QString() });
    parser.addOption({ { QStringLiteral("v"), QStringLiteral("version") }, QString() });
    parser.addOption({ TableOption, QString(), QStringLiteral("N") });
    parser.addOption({ NotebookOption, QString() });
    parser.addOption({ ExportOption, QString() });
    parser.addOption({ PracticeOption, QString() });
    parser.addOption({ ClassOption, QString(), QStringLiteral("COMANDO") });
    parser.addOption({ UntilOption, QString(), QStringLiteral("DATA") });
    parser.addOption({ ChildOption, QString(), QStringLiteral("NOME") });
    parser.addOption({ KeypadOption, QString() });

    CommandLine line;
    if (!parser.parse(withoutQtOptions(arguments))) {
        line.action = Action::Error;
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            line.error = QStringLiteral("Opzione sconosciuta: %1.")
                             .arg(asTyped(unknown.first(), arguments));
        else if (arguments.contains(u"--" + TableOption) || arguments.contains(u"-" + TableOption))
            line.error = QStringLiteral("Manca il numero della tabellina dopo --tabellina.");
        else
            line.error = QStringLiteral("La riga di comando non è valida.");
        return line;
    }
    if (parser.isSet(ClassOption))
        return parseClass(parser, line);
    if (!parser.positionalArguments().isEmpty()) {
        line.action = Action::Error;
        line.error = QStringLiteral("Argomento inatteso: \"%1\".")
                         .arg(parser.positionalArguments().first());
        return line;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        line.action = Action::Help;
        return line;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        line.action = Action::Version;
        return line;
    }
    const int modes = int(parser.isSet(NotebookOption)) + int(parser.isSet(ExportOption))
        + int(parser.isSet(PracticeOption));
    if (modes > 1) {
        line.action = Action::Error;
        line.error
            = QStringLiteral("--quaderno, --esporta e --ripasso non vanno insieme: scegline uno.");
        return line;
    }
    line.practice = parser.isSet(PracticeOption);
    line.keypad = parser.isSet(KeypadOption);
    if (parser.isSet(NotebookOption))
        line.action = Action::Notebook;
    else if (parser.isSet(ExportOption))
        line.action = Action::Export;
    if (parser.isSet(TableOption)) {
        // One table, or for a ripasso a list of them: "3,9".
        const QStringList values = parser.value(TableOption).split(u',');
        if (values.size() > 1 && !line.practice) {
            line.action = Action::Error;
            line.error = QStringLiteral("Più tabelline insieme (\"%1\") vanno solo con --ripasso.")
                             .arg(parser.value(TableOption));
            return line;
        }
        for (const QString &value : values) {
            bool ok = false;
            const int table = value.trimmed().toInt(&ok);
            if (!ok || table < FirstTable || table > LastTable) {
                line.action = Action::Error;
                line.error
                    = QStringLiteral("La tabellina \"%1\" non c'è: scegli un numero da %2 a %3.")
                          .arg(value)
                          .arg(FirstTable)
                          .arg(LastTable);
                return line;
            }
            if (!line.tables.contains(table))
                line.tables << table;
        }
        line.table = line.tables.first();
    }
    return line;
}

CommandLine CommandLine::parse(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return parse(arguments);
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Uso: zentovia [--tabellina N] [--ripasso] [--tastierino] [--quaderno | --esporta]\n"
        "     zentovia --classe importa FILE.csv | elenco | assegna N [--fino AAAA-MM-GG]\n"
        "\n"
        "Le tabelline con il mago Merlino: sette minuti di domande, e il record\n"
        "di ogni tabellina resta sul computer. Ogni risposta di ogni bambino va\n"
        "nel suo quaderno.\n"
        "\n"
        "Opzioni:\n"
        "  --tabellina N   la tabellina da esercitare, da 1 a 10 (senza: la tabellina del 5)\n"
        "  --ripasso       un ripasso senza orologio delle tabelline che servono di più;\n"
        "                  con --tabellina anche più tabelline insieme: --tabellina 3,9\n"
        "  --tastierino    mostra accanto alla risposta un tastierino con le cifre, da\n"
        "                  toccare con il dito (per gli schermi tattili); poi torna da sé\n"
        "                  per ogni bambino che lo ha usato su questo computer\n"
        "  --quaderno      apre il quaderno dei progressi di ogni bambino\n"
        "  --esporta       scrive tutte le risposte del quaderno come tabella CSV\n"
        "                  (per un foglio di calcolo): zentovia --esporta > quaderno.csv\n"
        "  --classe        per l'insegnante, con l'archivio della classe:\n"
        "                  importa FILE.csv   aggiunge i bambini di un elenco (CSV o foglio\n"
        "                                     di calcolo salvato come CSV)\n"
        "                  elenco             mostra l'elenco della classe\n"
        "                  codici             un nuovo codice di tre figure a ogni bambino\n"
        "                                     dell'elenco (o a --bambino NOME), da\n"
        "                                     scrivere sulla sua scheda\n"
        "                  assegna 7          la tabellina della settimana, fino a --fino\n"
        "                                     (senza: tra sette giorni), per la classe o\n"
        "                                     per --bambino NOME\n"
        "  -h, --help      mostra questo aiuto\n"
        "  -v, --version   mostra la versione del programma\n"
        "\n"
        "Esempio: zentovia --tabellina 7\n");
}

QString CommandLine::versionText()
{
    return QStringLiteral("Zentovia, versione " ZENTOVIA_VERSION "\n");
}

void CommandLine::print() const
{
    switch (action) {
    case Action::Help:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        break;
    case Action::Version:
        std::fputs(versionText().toLocal8Bit().constData(), stdout);
        break;
    case Action::Error:
        Telling::toStderr(error);
        std::fprintf(stderr, "\n%s", helpText().toLocal8Bit().constData());
        break;
    case Action::Run:
    case Action::Notebook:
    case Action::Export:
    case Action::Class:
        break;
    }
}

} // namespace Zentovia
