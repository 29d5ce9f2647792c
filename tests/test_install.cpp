// The install: `cmake --install` of this build into a temporary prefix lays
// out a program that finds its data from its own place, with a desktop entry,
// AppStream metainfo and icons that the desktop's own validators accept.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString AppId = u"it.zentovia.Zentovia"_s;

struct Run
{
    int status = -1;
    QString output;
};

Run run(const QString &program, const QStringList &arguments, int timeoutMs = 120000)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(timeoutMs)) {
        result.output = program + u": "_s + process.errorString();
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.output = QString::fromLocal8Bit(process.readAll());
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

// How a QStringLiteral is stored in the program: UTF-16.
QByteArray utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_prefix;
    QString m_buildDir;
    QString m_sourceDir;

    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        // Tests land in <build>/bin.
        m_buildDir = QDir::cleanPath(QCoreApplication::applicationDirPath() + u"/.."_s);
        QFile cacheFile(m_buildDir + u"/CMakeCache.txt"_s);
        QVERIFY2(cacheFile.open(QIODevice::ReadOnly), "no CMakeCache.txt beside bin/");
        const QRegularExpression home(
            u"^CMAKE_HOME_DIRECTORY:INTERNAL=(.*)$"_s, QRegularExpression::MultilineOption);
        const auto match = home.match(QString::fromUtf8(cacheFile.readAll()));
        QVERIFY(match.hasMatch());
        m_sourceDir = match.captured(1).trimmed();
        // Stripped, as a package ships it.
        const Run install = run(u"cmake"_s,
            { u"--install"_s, m_buildDir, u"--prefix"_s, m_prefix.path(), u"--strip"_s });
        QVERIFY2(install.status == 0, qPrintable(install.output));
    }

    void layout_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("program") << u"bin/zentovia"_s;
        QTest::newRow("notebook's window") << u"bin/zentovia-quaderno"_s;
        QTest::newRow("character file") << u"share/zentovia/merlin/merlin.svg"_s;
        QTest::newRow("picture new") << u"share/zentovia/pictures/nuovo.svg"_s;
        QTest::newRow("picture exit") << u"share/zentovia/pictures/esci.svg"_s;
        QTest::newRow("picture hourglass") << u"share/zentovia/pictures/clessidra.svg"_s;
        QTest::newRow("window icon") << u"share/zentovia/icons/%1.svg"_s.arg(AppId);
        QTest::newRow("desktop entry") << u"share/applications/%1.desktop"_s.arg(AppId);
        QTest::newRow("metainfo") << u"share/metainfo/%1.metainfo.xml"_s.arg(AppId);
        QTest::newRow("scalable icon") << u"share/icons/hicolor/scalable/apps/%1.svg"_s.arg(AppId);
    }
    void layout()
    {
        QFETCH(QString, file);
        const QFileInfo info(installed(file));
        QVERIFY2(info.isFile(), qPrintable(file + u" is not installed"_s));
        QVERIFY2(info.size() > 0, qPrintable(file + u" is empty"_s));
    }

    // Each PNG size is really that size and shows the drawing, not an empty
    // square.
    void pngIcons_data()
    {
        QTest::addColumn<int>("size");
        for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 })
            QTest::addRow("%dx%d", size, size) << size;
    }
    void pngIcons()
    {
        QFETCH(int, size);
        const QString file
            = installed(u"share/icons/hicolor/%1x%1/apps/%2.png"_s.arg(size).arg(AppId));
        QImage image(file);
        QVERIFY2(!image.isNull(), qPrintable(file + u" is not a readable PNG"_s));
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
        const QRgb middle = image.pixel(size / 2, size / 2);
        QCOMPARE(qAlpha(middle), 255);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0); // the rounded corner is clear
    }

    void validators_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("desktop entry") << u"desktop-file-validate"_s << QStringList()
                                       << u"share/applications/%1.desktop"_s.arg(AppId);
        QTest::newRow("metainfo") << u"appstreamcli"_s
                                  << QStringList { u"validate"_s, u"--no-net"_s }
                                  << u"share/metainfo/%1.metainfo.xml"_s.arg(AppId);
    }
    void validators()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        const QString path = QStandardPaths::findExecutable(program);
        QVERIFY2(!path.isEmpty(), qPrintable(program + u" is missing: run scripts/install-deps"_s));
        const Run check = run(path, arguments << installed(file));
        QVERIFY2(check.status == 0, qPrintable(check.output));
        QVERIFY2(!check.output.contains(u"error"_s, Qt::CaseInsensitive), qPrintable(check.output));
    }

    // The names that tie the desktop entry, the metainfo, the icon and the
    // program together must agree, or the desktop shows no icon or no entry.
    void namesAgree_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("file");
        QTest::newRow("entry runs the program")
            << u"Exec=zentovia"_s << u"share/applications/%1.desktop"_s.arg(AppId);
        QTest::newRow("entry names the icon")
            << u"Icon=%1\n"_s.arg(AppId) << u"share/applications/%1.desktop"_s.arg(AppId);
        QTest::newRow("action for the 8")
            << u"Name=Tabellina dell'8\nExec=zentovia --tabellina 8\n"_s
            << u"share/applications/%1.desktop"_s.arg(AppId);
        QTest::newRow("action for the 10")
            << u"Name=Tabellina del 10\nExec=zentovia --tabellina 10\n"_s
            << u"share/applications/%1.desktop"_s.arg(AppId);
        QTest::newRow("entry in Italian")
            << u"Name[it]="_s << u"share/applications/%1.desktop"_s.arg(AppId);
        QTest::newRow("metainfo id")
            << u"<id>%1</id>"_s.arg(AppId) << u"share/metainfo/%1.metainfo.xml"_s.arg(AppId);
        QTest::newRow("metainfo launches the entry")
            << u"<launchable type=\"desktop-id\">%1.desktop</launchable>"_s.arg(AppId)
            << u"share/metainfo/%1.metainfo.xml"_s.arg(AppId);
        QTest::newRow("metainfo rating") << u"<content_rating type=\"oars-1.1\""_s
                                         << u"share/metainfo/%1.metainfo.xml"_s.arg(AppId);
        QTest::newRow("metainfo in Italian")
            << u"<p xml:lang=\"it\">"_s << u"share/metainfo/%1.metainfo.xml"_s.arg(AppId);
        QTest::newRow("program's desktop file name") << AppId << u"bin/zentovia"_s;
    }
    void namesAgree()
    {
        QFETCH(QString, needle);
        QFETCH(QString, file);
        QFile in(installed(file));
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray content = in.readAll();
        const QByteArray wanted = file.startsWith(u"bin/"_s) ? utf16(needle) : needle.toUtf8();
        QVERIFY2(content.contains(wanted), qPrintable(needle + u" not in "_s + file));
    }

    // The program finds its data from where it is installed, not from where
    // it was built: no folder of this machine's build is in it.
    void noBuildPath_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("build folder") << m_buildDir;
        QTest::newRow("source folder") << m_sourceDir;
    }
    void noBuildPath()
    {
        QFETCH(QString, folder);
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("a sanitized build keeps its source paths for its reports");
#endif
        QFile program(installed(u"bin/zentovia"_s));
        QVERIFY(program.open(QIODevice::ReadOnly));
        const QByteArray bytes = program.readAll();
        QVERIFY(folder.size() > 1);
        QVERIFY2(!bytes.contains(folder.toUtf8()), qPrintable(folder + u" is compiled in"_s));
        QVERIFY2(!bytes.contains(utf16(folder)), qPrintable(folder + u" is compiled in"_s));
    }

    // The installed program, moved away from the build, starts and keeps
    // running (a missing data file ends it at once with status 1).
    void installedProgramStarts()
    {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"PULSE_SERVER"_s, u"unix:/nonexistent"_s);
        env.remove(u"ZENTOVIA_DATA_DIR"_s);
        QTemporaryDir home;
        env.insert(u"XDG_DATA_HOME"_s, home.path());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setWorkingDirectory(QDir::tempPath());
        program.start(installed(u"bin/zentovia"_s), {});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
        const bool ended = program.waitForFinished(3000);
        const QString said = QString::fromLocal8Bit(program.readAll());
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        QVERIFY2(!ended, qPrintable(u"ended at start: "_s + said));
        QVERIFY2(!said.contains(u"zentovia:"_s), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
