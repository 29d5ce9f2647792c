#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace Zentovia {

class ClassQueries;

// A child of the class list gives their picture code on a computer of the
// class. Each code is checked by the class's server on a thread of its own;
// the right one brings the child's settings into this computer's notebook.
// Three wrong codes, or none ("Non me lo ricordo"), and the child plays on
// with nothing of the class read, the answers kept under the name typed,
// marked for the teacher to confirm.
class PictureLogin : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Asking, // no code given yet, or one being checked
        Right,
        Wrong, // this try; more are left
        GivenUp, // three wrong codes, or none given
        NoServer, // the server did not answer: the child plays as with none
    };
    Q_ENUM(Outcome)
    static constexpr int Tries = 3;

    // child: the name typed; notebookPath: this computer's notebook.
    PictureLogin(const QString &connection, const QString &notebookPath, const QString &child,
        int waitMs = 5000, QObject *parent = nullptr);
    ~PictureLogin() override;

    // Whether the name typed is a child of the class list (as the list has
    // it, case and blanks aside): only then is the code asked for.
    static bool asksFor(const QStringList &classList, const QString &typed);

    const QString &child() const { return m_child; }
    // The code given, three digits from 1 to 9: checked() tells.
    void tryCode(const QString &code);
    void giveUp();
    bool checking() const { return m_checking; }
    int triesLeft() const { return m_triesLeft; }
    Outcome outcome() const { return m_outcome; }
    // The code found right, once Right.
    const QString &code() const { return m_code; }
    // The name the child's answers go under: the one typed, or marked for
    // the teacher after GivenUp.
    QString answersName() const;

Q_SIGNALS:
    void checked(Outcome outcome);

private:
    void settle(Outcome outcome);

    QString m_child;
    QString m_code;
    std::unique_ptr<ClassQueries> m_class;
    Outcome m_outcome = Outcome::Asking;
    int m_triesLeft = Tries;
    bool m_checking = false;
};

} // namespace Zentovia
