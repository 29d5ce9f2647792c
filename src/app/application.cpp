#include "app/application.h"

#include "core/datapath.h"
#include "core/failure.h"
#include "core/title.h"
#include "core/workthread.h"
#include "telling/telling.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QStyleFactory>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>

namespace Zentovia {

namespace {

bool s_failing = false;

} // namespace

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("zentovia"));
    setApplicationVersion(QStringLiteral(ZENTOVIA_VERSION));
    setDesktopFileName(QStringLiteral("it.zentovia.Zentovia"));
    // The same look on every desktop, so the buttons keep their colours.
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The fonts the window asks for, by the metric-compatible families that
    // Debian ships.
    QFont::insertSubstitution(
        QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial Black"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    installItalian();
    // A worker thread's problem, as the program's other lines.
    WorkThread::setReport(
        [](const WorkProblem &problem) { Telling::toStderr(Telling::work(problem)); });
}

void Application::installItalian()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    auto *translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
}

QIcon Application::programIcon()
{
    // The icon theme's PNGs lie beside the data folder, in the build tree as
    // in an install, one folder for each size the build drew ("48x48").
    QIcon icon;
    const QDir theme(dataPath(QStringLiteral("../icons/hicolor")));
    // The window's icon takes the sizes up to 128 pixels: a title bar or a
    // task switcher shows no more, and every size is kept decoded for as long
    // as the program runs (the 256 one alone takes 256 KiB). Listed without a
    // name filter: a filter would compile a regular expression, and with it
    // half a megabyte of matcher, for one loop.
    constexpr int LargestSize = 128;
    for (const QString &size : theme.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isSize = false;
        const int side = size.section(QLatin1Char('x'), 0, 0).toInt(&isSize);
        if (!isSize || side > LargestSize)
            continue;
        const QString png = theme.filePath(size + QStringLiteral("/apps/it.zentovia.Zentovia.png"));
        if (QFileInfo::exists(png))
            icon.addFile(png);
    }
    if (icon.isNull())
        icon = QIcon(dataPath(QStringLiteral("icons/it.zentovia.Zentovia.svg")));
    return icon;
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    // While a failure is being reported, no clock or animation goes on.
    if (s_failing && qobject_cast<QTimer *>(receiver))
        return false;
    try {
        return QApplication::notify(receiver, event);
    } catch (const Failure &failure) {
        fail(failure);
    }
}

void Application::fail(const Failure &failure)
{
    Telling::toStderr(failure.message());
    std::fflush(stderr);
    // A failure while the box is open ends the program just the same.
    if (!s_failing) {
        s_failing = true;
        QMessageBox box(QMessageBox::Critical, programTitle(), failure.message(), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    // Nothing more runs: record files are only ever replaced whole.
    std::_Exit(1);
}

} // namespace Zentovia
