#pragma once

#include "classserver/classproblem.h"

#include <QString>

namespace Zentovia {

// Where the class keeps its notebook: the setting "archivio", a libpq
// connection string ("host=server dbname=zentovia_3a user=maria", or
// "service=zentovia" with a pg_service.conf). Read from the environment
// variable ZENTOVIA_ARCHIVIO, or else from zentovia.conf in the user's
// configuration folder ($XDG_CONFIG_HOME/zentovia/) before the system's
// ($XDG_CONFIG_DIRS/zentovia/, /etc/xdg/zentovia/).
//
// A setting that holds a password is not used: passwords belong in
// ~/.pgpass or in the service file, where only their owner reads them.
class ServerSettings
{
public:
    // What the environment and the configuration files say now.
    static ServerSettings read();
    // A connection string as the setting would give it, from where.
    static ServerSettings fromValue(const QString &value, const QString &source);

    // Empty when no server is set, or when the setting is refused.
    const QString &connection() const { return m_connection; }
    // The environment variable or the file the setting came from.
    const QString &source() const { return m_source; }
    // Why a setting that is there is not used (SettingInvalid,
    // SettingHasPassword); None otherwise.
    const ClassProblem &problem() const { return m_problem; }
    bool isSet() const { return !m_connection.isEmpty(); }

private:
    QString m_connection;
    QString m_source;
    ClassProblem m_problem;
};

} // namespace Zentovia
