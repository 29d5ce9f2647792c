#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of our own, in a temporary folder: reached through a
// Unix socket in that folder and no network. initdb refuses root, so under
// root the server runs as "nobody". Its superuser is "postgres" with no
// password; the user PasswordUser alone logs in with a password.
class PrivatePostgres
{
public:
    static constexpr char PasswordUser[] = "segreta";

    PrivatePostgres();
    ~PrivatePostgres();

    static bool installed();
    // Makes the cluster the first time, starts the server and waits until it
    // answers; false with the reason.
    bool start(QString *error);
    // A fast shutdown, waited for.
    void stop();
    // Stops the server and every backend where they are, as a hung server,
    // and lets them go on again.
    void freeze(bool frozen);

    QString connection(const QString &database, const QString &user) const;
    // Runs statements (several, separated by ';') as user; the first field
    // of the last result (empty when none), or a null string with *error and
    // *state (the SQLSTATE).
    QString sql(const QString &database, const QString &statements, QString *error = nullptr,
        const QString &user = QStringLiteral("postgres"), QByteArray *state = nullptr) const;
    // A new database laid out by data/zentovia-server.sql, as the
    // administrator does it, and opened to every login of the class's roles
    // there is so far (admit() opens it to later ones).
    bool createClass(const QString &database, QString *error) const;
    bool admit(const QString &database, const QStringList &logins, QString *error = nullptr) const;
    // COPY ... FROM STDIN with the rows given, as the superuser.
    bool copy(const QString &database, const QByteArray &copyStatement, const QByteArray &rows,
        QString *error) const;
    QString log() const;

private:
    bool run(const QString &tool, const QStringList &arguments, QString *error);
    void prepare(QProcess &process) const;

    QTemporaryDir m_dir;
    QString m_bin;
    QProcess m_server;
    bool m_asNobody = false;
    unsigned m_uid = 0;
    unsigned m_gid = 0;
    bool m_frozen = false;
};
