#include "support/asnobody.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

int rerunAsNobody(QByteArray *output)
{
    const passwd *nobody = getpwnam("nobody");
    const group *nogroup = getgrnam("nogroup");
    if (!nobody) {
        *output = "no user nobody";
        return -1;
    }
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nogroup ? nogroup->gr_gid : nobody->pw_gid;
    QString function = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag())
        function += u':' + QString::fromLatin1(QTest::currentDataTag());
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(QStringLiteral("/tmp"));
    child.setChildProcessModifier([uid, gid] {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
            _exit(127);
    });
    child.start(QCoreApplication::applicationFilePath(), { function });
    if (!child.waitForFinished(60000)) {
        *output = "the child did not finish: " + child.readAll();
        return -1;
    }
    *output = child.readAll();
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}
