#include "classserver/serversettings.h"

#include <QSettings>
#include <QStandardPaths>

#include <optional>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

constexpr char EnvironmentName[] = "ZENTOVIA_ARCHIVIO";
constexpr char Key[] = "archivio";

// The keywords libpq knows, as of PostgreSQL 17.
const QStringList Keywords = { u"host"_s, u"hostaddr"_s, u"port"_s, u"dbname"_s, u"user"_s,
    u"password"_s, u"passfile"_s, u"require_auth"_s, u"channel_binding"_s, u"connect_timeout"_s,
    u"client_encoding"_s, u"options"_s, u"application_name"_s, u"fallback_application_name"_s,
    u"keepalives"_s, u"keepalives_idle"_s, u"keepalives_interval"_s, u"keepalives_count"_s,
    u"tcp_user_timeout"_s, u"replication"_s, u"gssencmode"_s, u"sslmode"_s, u"sslnegotiation"_s,
    u"requiressl"_s, u"sslcompression"_s, u"sslcert"_s, u"sslkey"_s, u"sslcertmode"_s,
    u"sslpassword"_s, u"sslrootcert"_s, u"sslcrl"_s, u"sslcrldir"_s, u"sslsni"_s, u"requirepeer"_s,
    u"ssl_min_protocol_version"_s, u"ssl_max_protocol_version"_s, u"krbsrvname"_s, u"gsslib"_s,
    u"gssdelegation"_s, u"service"_s, u"target_session_attrs"_s, u"load_balance_hosts"_s };

// Whether a libpq connection string names a password, read as libpq reads
// it; nullopt when it is no connection string at all.
std::optional<bool> hasPassword(const QString &connection)
{
    for (const QString &scheme : { u"postgresql://"_s, u"postgres://"_s }) {
        if (!connection.startsWith(scheme))
            continue;
        // postgresql://[user[:password]@][host][/dbname][?param=value&...]
        const QString rest = connection.mid(scheme.size());
        const qsizetype query = rest.indexOf(u'?');
        const QString authority = rest.first(query < 0 ? rest.size() : query).section(u'/', 0, 0);
        const qsizetype at = authority.lastIndexOf(u'@');
        if (at >= 0 && authority.first(at).contains(u':'))
            return true;
        if (query < 0)
            return false;
        for (const QString &param : rest.mid(query + 1).split(u'&')) {
            if (param.section(u'=', 0, 0) == u"password" && !param.section(u'=', 1).isEmpty())
                return true;
        }
        return false;
    }
    // keyword = value ..., a value bare or in single quotes with \' and \\.
    qsizetype i = 0;
    const qsizetype n = connection.size();
    const auto blanks = [&] {
        while (i < n && connection.at(i).isSpace())
            ++i;
    };
    bool password = false;
    for (blanks(); i < n; blanks()) {
        const qsizetype keyStart = i;
        while (i < n && connection.at(i) != u'=' && !connection.at(i).isSpace())
            ++i;
        const QString key = connection.sliced(keyStart, i - keyStart);
        blanks();
        if (key.isEmpty() || i >= n || connection.at(i) != u'=')
            return std::nullopt;
        ++i;
        blanks();
        QString value;
        if (i < n && connection.at(i) == u'\'') {
            for (++i;; ++i) {
                if (i >= n)
                    return std::nullopt;
                if (connection.at(i) == u'\\' && i + 1 < n)
                    value += connection.at(++i);
                else if (connection.at(i) == u'\'')
                    break;
                else
                    value += connection.at(i);
            }
            ++i;
        } else {
            for (; i < n && !connection.at(i).isSpace(); ++i) {
                if (connection.at(i) == u'\\' && i + 1 < n)
                    ++i;
                value += connection.at(i);
            }
        }
        if (!Keywords.contains(key))
            return std::nullopt;
        if (key == u"password" && !value.isEmpty())
            password = true;
    }
    return password;
}

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
    const std::optional<bool> password = hasPassword(connection);
    if (!password) {
        settings.m_problem = ClassProblem::of(ClassReason::SettingInvalid);
        settings.m_problem.subject = source;
        return settings;
    }
    if (*password) {
        settings.m_problem = ClassProblem::of(ClassReason::SettingHasPassword);
        settings.m_problem.subject = source;
        return settings;
    }
    settings.m_connection = connection;
    return settings;
}

} // namespace Zentovia
