#include "support/privatepulse.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

#include <csignal>

using namespace Qt::StringLiterals;

PrivatePulse::PrivatePulse() = default;

PrivatePulse::~PrivatePulse()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(3000))
            kill();
    }
}

bool PrivatePulse::installed()
{
    return !QStandardPaths::findExecutable(u"pulseaudio"_s).isEmpty();
}

QString PrivatePulse::server() const
{
    return u"unix:"_s + m_dir.filePath(u"native"_s);
}

QString PrivatePulse::log() const
{
    QFile file(m_dir.filePath(u"server.log"_s));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool PrivatePulse::start(QString *error)
{
    if (!m_dir.isValid()) {
        *error = u"no temporary folder"_s;
        return false;
    }
    // A home and a runtime folder of its own: as root, and beside any other
    // server of the machine, it then needs no cookie, no D-Bus, no system mode.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, m_dir.path());
    env.insert(u"XDG_RUNTIME_DIR"_s, m_dir.path());
    env.insert(u"XDG_CONFIG_HOME"_s, m_dir.path());
    env.insert(u"PULSE_RUNTIME_PATH"_s, m_dir.filePath(u"pulse"_s));
    env.remove(u"PULSE_SERVER"_s);
    env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    m_server.setProcessEnvironment(env);
    m_server.setStandardOutputFile(m_dir.filePath(u"server.log"_s));
    m_server.setStandardErrorFile(m_dir.filePath(u"server.log"_s), QIODevice::Append);
    // The null sink without rewinds starts a new stream at once, as a sound
    // card does; with them it may first sleep out a block of up to 2 s.
    m_server.start(u"pulseaudio"_s,
        { u"-n"_s, u"--daemonize=no"_s, u"--exit-idle-time=-1"_s, u"--disallow-exit"_s,
            u"--log-target=stderr"_s, u"--load=module-null-sink norewinds=1 sink_name="_s + sink(),
            u"--load=module-native-protocol-unix auth-anonymous=1 socket="_s
                + m_dir.filePath(u"native"_s) });
    if (!m_server.waitForStarted(5000)) {
        *error = u"pulseaudio does not start: "_s + m_server.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (m_server.state() == QProcess::NotRunning) {
            *error = u"pulseaudio ended at once:\n"_s + log();
            return false;
        }
        QProcess info;
        info.start(u"pactl"_s, { u"--server="_s + server(), u"info"_s });
        if (info.waitForFinished(3000) && info.exitStatus() == QProcess::NormalExit
            && info.exitCode() == 0)
            return true;
        QThread::msleep(50);
    }
    *error = u"pulseaudio does not answer:\n"_s + log();
    return false;
}

void PrivatePulse::freeze(bool frozen)
{
    ::kill(pid_t(m_server.processId()), frozen ? SIGSTOP : SIGCONT);
}

void PrivatePulse::kill()
{
    m_server.kill();
    m_server.waitForFinished(3000);
}

Recording::Recording(const QString &server, const QString &source, int sampleRate)
    : m_server(server)
    , m_source(source)
    , m_sampleRate(sampleRate)
{ }

Recording::~Recording()
{
    if (m_parec.state() != QProcess::NotRunning) {
        m_parec.kill();
        m_parec.waitForFinished(3000);
    }
}

bool Recording::start(QString *error)
{
    m_parec.setStandardOutputFile(m_dir.filePath(u"sound.raw"_s));
    m_parec.start(u"parec"_s,
        { u"--server="_s + m_server, u"--device="_s + m_source,
            u"--rate="_s + QString::number(m_sampleRate), u"--channels=1"_s, u"--format=s16le"_s,
            u"--latency-msec=20"_s });
    if (!m_parec.waitForStarted(5000)) {
        *error = u"parec does not start: "_s + m_parec.errorString();
        return false;
    }
    return true;
}

QByteArray Recording::soFar() const
{
    QFile file(m_dir.filePath(u"sound.raw"_s));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Recording::finish()
{
    m_parec.terminate();
    if (!m_parec.waitForFinished(3000)) {
        m_parec.kill();
        m_parec.waitForFinished(3000);
    }
    QFile file(m_dir.filePath(u"sound.raw"_s));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
