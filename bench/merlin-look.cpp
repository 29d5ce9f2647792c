// merlin-look: a small driver for looking at the wizard (not a benchmark).
//
//   merlin-look sheet OUT.png [HEIGHT]   every frame of every animation, one row each
//   merlin-look run [--no-intro] [ITEM...]
//                                        the window's start-up sequence on the real
//                                        control (--no-intro: without Announce and the
//                                        instructions), then each item in order: an
//                                        animation name, or say:TEXT; inside a plain
//                                        stand-in for the game window
//
// The data folder is found as the program finds it (ZENTOVIA_DATA_DIR overrides it).
#include "app/wizard.h"
#include "contest/contest.h"
#include "core/failure.h"
#include "figure/characterfile.h"
#include "stage/stageagent.h"
#include "stage/stagecharacter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTextStream>

using namespace Zentovia;

namespace {

const QString kInstructions = QStringLiteral(
    "Allora attenzione, iniziamo la nostra avventura con la tabellina del 5. Io detto e tu "
    "scrivi il risultato nello spazio sotto di me. Mi raccomando inserisci il risultato e premi "
    "invio e poi aspetta che io finisca di parlare e premi ancora invio per avere la domanda "
    "successiva");

int sheet(const QString &out, int height)
{
    const auto file = CharacterFile::load(StageAgent::resolve(wizardCast().key));
    const QSize cell(qRound(height * file->aspect()), height);
    const QStringList names = file->animationNames();
    int columns = 1;
    for (const QString &n : names)
        columns = qMax(columns, int(file->animation(n)->frames.size()) + 1);
    QImage image(columns * (cell.width() + 8), int(names.size()) * (cell.height() + 24),
        QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0xE8, 0xF0, 0xFF));
    QPainter p(&image);
    int row = 0;
    for (const QString &n : names) {
        const auto *a = file->animation(n);
        const int y = row * (cell.height() + 24);
        p.setPen(Qt::black);
        p.drawText(4, y + 16, QStringLiteral("%1 (%2 ms)").arg(n).arg(a->totalMs()));
        QList<CharacterFile::Frame> frames = a->frames;
        frames.prepend({ file->restPose(), 0, 0 });
        for (int i = 0; i < frames.size(); ++i) {
            const auto &f = frames.at(i);
            p.drawImage(
                i * (cell.width() + 8), y + 22, file->render(f.pose, qMax(0, f.mouth), cell));
        }
        ++row;
    }
    p.end();
    return image.save(out) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    try {
        if (args.value(0) == u"sheet")
            return sheet(args.value(1, QStringLiteral("merlin-sheet.png")),
                args.value(2, QStringLiteral("205")).toInt());

        // A stand-in for the game window, so the wizard is seen where it stands.
        QWidget backdrop;
        backdrop.setWindowTitle(QStringLiteral("Zentovia (stand-in)"));
        backdrop.setStyleSheet(QStringLiteral("background: #FFFFE0;"));
        backdrop.resize(800, 570);
        auto *answer = new QLineEdit(&backdrop);
        answer->setGeometry(208, 355, 457, 75);
        answer->setStyleSheet(QStringLiteral("font-size: 36px; background: white;"));
        backdrop.show();

        StageAgent agent;
        agent.setStage(&backdrop);
        agent.setKeepClear({ answer });
        agent.Load(QStringLiteral("Merlin"), wizardCast().key);
        Character &merlin = agent.Item(QStringLiteral("Merlin"));
        QStringList items = args.mid(1);
        const bool intro = !items.removeAll(QStringLiteral("--no-intro"));
        merlin.Show();
        merlin.MoveTo(250, 175);
        if (intro)
            merlin.Play(QStringLiteral("Announce"));
        merlin.setHeight(205);
        if (intro)
            merlin.Speak(kInstructions);
        for (const QString &item : items) {
            if (item.startsWith(QStringLiteral("say:")))
                merlin.Speak(item.mid(4));
            else
                merlin.Play(item);
        }
        QObject::connect(&merlin, &Character::requestDone,
            [](quint64 id) { QTextStream(stdout) << "done " << id << Qt::endl; });
        QObject::connect(
            &merlin, &Character::clicked, [] { QTextStream(stdout) << "clicked" << Qt::endl; });
        return app.exec();
    } catch (const Failure &failure) {
        QTextStream(stderr) << failure.message() << Qt::endl;
        return 1;
    }
}
