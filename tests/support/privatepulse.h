#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A PulseAudio server of our own, with one null sink whose monitor can be
// recorded: sound is really played, and nothing reaches the speakers.
class PrivatePulse
{
public:
    PrivatePulse();
    ~PrivatePulse();

    static bool installed();
    // Starts the server and waits until it answers; false with the reason.
    bool start(QString *error);
    // Ends the server at once, as a crash would.
    void kill();
    // Stops the server where it is, as a hung one, and lets it go on again.
    void freeze(bool frozen);

    QString server() const;
    static QString sink() { return QStringLiteral("zentovia_test"); }
    static QString monitor() { return sink() + QStringLiteral(".monitor"); }
    QString log() const;

private:
    QTemporaryDir m_dir;
    QProcess m_server;
};

// Records a source of a PulseAudio server as 16-bit mono samples.
class Recording
{
public:
    Recording(const QString &server, const QString &source, int sampleRate);
    ~Recording();
    bool start(QString *error);
    // What is recorded so far, as it goes on.
    QByteArray soFar() const;
    // Ends the recording and gives its samples.
    QByteArray finish();

private:
    QTemporaryDir m_dir;
    QProcess m_parec;
    QString m_server;
    QString m_source;
    int m_sampleRate;
};
