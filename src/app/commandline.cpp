#include "app/commandline.h"

#include <QCommandLineParser>

#include <cstdio>

namespace Zentovia {

namespace {

const QString TableOption = QStringLiteral("tabellina");

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

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.action = Action::Error;
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            line.error = QStringLiteral("Opzione sconosciuta: %1%2.")
                             .arg(unknown.first().size() == 1 ? u"-" : u"--", unknown.first());
        else if (arguments.contains(u"--" + TableOption) || arguments.contains(u"-" + TableOption))
            line.error = QStringLiteral("Manca il numero della tabellina dopo --tabellina.");
        else
            line.error = QStringLiteral("La riga di comando non è valida.");
        return line;
    }
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
    if (parser.isSet(TableOption)) {
        const QString value = parser.value(TableOption);
        bool ok = false;
        const int table = value.toInt(&ok);
        if (!ok || table < FirstTable || table > LastTable) {
            line.action = Action::Error;
            line.error = QStringLiteral("La tabellina \"%1\" non c'è: scegli un numero da %2 a %3.")
                             .arg(value)
                             .arg(FirstTable)
                             .arg(LastTable);
            return line;
        }
        line.table = table;
    }
    return line;
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Uso: zentovia [--tabellina N]\n"
        "\n"
        "Le tabelline con il mago Merlino: sette minuti di domande, e il record\n"
        "di ogni tabellina resta sul computer.\n"
        "\n"
        "Opzioni:\n"
        "  --tabellina N   la tabellina da esercitare, da 1 a 10 (senza: la tabellina del 5)\n"
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
        std::fprintf(stderr, "zentovia: %s\n\n%s", error.toLocal8Bit().constData(),
            helpText().toLocal8Bit().constData());
        break;
    case Action::Run:
        break;
    }
}

} // namespace Zentovia
