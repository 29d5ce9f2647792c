#pragma once

// A window with every outside part stood in for, a fresh record folder each
// time, and short ways to reach its controls by their roles.

#include "app/hiddenfield.h"
#include "app/roles.h"
#include "app/tavola.h"
#include "support/fakes.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace Zentovia::Testing {

struct TavolaRig
{
    QTemporaryDir home;
    FakeDialogs dialogs;
    FakeRandom random;
    RecordingAgent agent;
    std::optional<int> exitStatus;
    std::unique_ptr<Tavola> tavola;

    TavolaRig()
    {
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        tavola = std::make_unique<Tavola>(dialogs, random, agent);
        tavola->setProgramEnd([this](int status) { exitStatus = status; });
    }

    QString recordDir() const { return home.filePath(QStringLiteral("zentovia")); }
    QString pointsFile() const { return recordDir() + QStringLiteral("/azentrec5.txt"); }
    QString nameFile() const { return recordDir() + QStringLiteral("/nzentrec5.txt"); }

    // Start-up with the given name, then the first show: the contest runs.
    void start(const QString &name = QStringLiteral("Anna"))
    {
        dialogs.names << name;
        tavola->load();
        tavola->show();
    }

    Contest &contest() const { return tavola->contest(); }

    template<typename T = QLabel>
    T *control(Role role) const
    {
        T *found = tavola->findChild<T *>(formName(role));
        if (!found)
            qFatal("no control %s", qPrintable(formName(role)));
        return found;
    }
    QString text(Role role) const
    {
        if (auto *label = tavola->findChild<QLabel *>(formName(role)))
            return label->text();
        if (auto *field = tavola->findChild<HiddenField *>(formName(role)))
            return field->text();
        return control<QLineEdit>(role)->text();
    }
    bool shown(Role role) const { return control<QWidget>(role)->isVisibleTo(tavola.get()); }

    // Types an answer into the answer box and presses Enter.
    void answer(const QString &typed)
    {
        auto *box = control<QLineEdit>(Role::AnswerBox);
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
    }
    void next(int multiplier, int tinta = 1)
    {
        random.nextQuestion(multiplier, tinta);
        control<QPushButton>(Role::NextButton)->click();
    }

    static QByteArray bytes(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    static void write(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
};

} // namespace Zentovia::Testing
