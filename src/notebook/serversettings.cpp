#include "notebook/serversettings.h"

#include "notebook/libpqloader.h"

#include <QSettings>
#include <QStandardPaths>

#include <libpq-fe.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

constexpr char EnvironmentName[] = "ZENTOVIA_ARCHIVIO";
constexpr char Key[] = "archivio";

struct OptionsFree
{
    void operator()(PQconninfoOption *options) const { PQconninfoFree(options); }
};

} // namespace

ServerSettings ServerSettings::read()
{
    if (qEnvironmentVariableIsSet(EnvironmentName))
        return fromValue(
            qEnvironmentVariable(EnvironmentName), QString::fromLatin1(EnvironmentName));
    // The user's file first, then the system's, in INI format. Named here:
    // QSettings' own IniFormat scopes would look for "zentovia.ini".
    const QStringList files = QStandardPaths::locateAll(
        QStandardPaths::GenericConfigLocation, u"zentovia/zentovia.conf"_s);
    for (const QString &file : files) {
        const QSettings settings(file, QSettings::IniFormat);
        if (!settings.contains(QString::fromLatin1(Key)))
            continue;
        const QVariant value = settings.value(QString::fromLatin1(Key));
        // A value with commas, unquoted, comes back as a list.
        return fromValue(value.typeId() == QMetaType::QStringList ? value.toStringList().join(u',')
                                                                  : value.toString(),
            file);
    }
    return {};
}

ServerSettings ServerSettings::fromValue(const QString &value, const QString &source)
{
    ServerSettings settings;
    settings.m_source = source;
    const QString connection = value.trimmed();
    if (connection.isEmpty())
        return settings;
    QString missing;
    if (!libpqAvailable(&missing)) {
        settings.m_problem = u"Non uso l'archivio della classe indicato in %1: %2; tengo le "
                             "risposte su questo computer."_s.arg(source, missing);
        return settings;
    }
    char *error = nullptr;
    // libpq's own reading of the string, so that a URI and key=value say the
    // same thing here as when the program connects.
    std::unique_ptr<PQconninfoOption, OptionsFree> options(
        PQconninfoParse(connection.toUtf8().constData(), &error));
    if (!options) {
        const QString why = error ? QString::fromUtf8(error).trimmed() : u"memoria esaurita"_s;
        PQfreemem(error);
        settings.m_problem
            = u"Non uso l'archivio della classe indicato in %1: l'impostazione "
              "archivio non è valida (%2); tengo le risposte su questo computer."_s.arg(
                  source, why);
        return settings;
    }
    for (const PQconninfoOption *option = options.get(); option->keyword; ++option) {
        if (qstrcmp(option->keyword, "password") == 0 && option->val && *option->val) {
            settings.m_problem
                = u"Non uso l'archivio della classe indicato in %1: l'impostazione archivio "
                  "contiene una password, che va messa invece in ~/.pgpass o nel file dei "
                  "servizi; tengo le risposte su questo computer."_s.arg(source);
            return settings;
        }
    }
    settings.m_connection = connection;
    return settings;
}

} // namespace Zentovia
