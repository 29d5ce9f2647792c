#include "app/picturelogin.h"

#include "classserver/classqueries.h"
#include "classserver/picturecode.h"
#include "notebook/notebook.h"

namespace Zentovia {

PictureLogin::PictureLogin(const QString &connection, const QString &notebookPath,
    const QString &child, int waitMs, QObject *parent)
    : QObject(parent)
    , m_child(child)
    , m_class(std::make_unique<ClassQueries>(connection, notebookPath, waitMs))
{ }

PictureLogin::~PictureLogin() = default;

bool PictureLogin::asksFor(const QStringList &classList, const QString &typed)
{
    const QString key = Notebook::childKey(typed);
    return std::any_of(classList.begin(), classList.end(),
        [&key](const QString &listed) { return Notebook::childKey(listed) == key; });
}

void PictureLogin::tryCode(const QString &code)
{
    if (m_checking || m_outcome == Outcome::Right || m_outcome == Outcome::GivenUp
        || m_outcome == Outcome::NoServer)
        return;
    m_checking = true;
    m_outcome = Outcome::Asking;
    // The settings come with the right code, into this computer's notebook,
    // before the child plays.
    m_class->ask(
        [child = m_child, code](ClassReader &reader, Notebook *local) -> std::optional<bool> {
            const std::optional<bool> right = reader.codeIsRight(child, code);
            if (right && *right && local)
                reader.bringSettings(child, code, *local);
            return right;
        },
        [this, code](const std::optional<bool> &right, const ClassProblem &) {
            if (!m_checking)
                return; // given up meanwhile
            m_checking = false;
            if (!right) {
                settle(Outcome::NoServer);
            } else if (*right) {
                m_code = code;
                settle(Outcome::Right);
            } else {
                --m_triesLeft;
                settle(m_triesLeft > 0 ? Outcome::Wrong : Outcome::GivenUp);
            }
        });
}

void PictureLogin::giveUp()
{
    if (m_outcome == Outcome::Right || m_outcome == Outcome::GivenUp
        || m_outcome == Outcome::NoServer)
        return;
    m_checking = false;
    settle(Outcome::GivenUp);
}

QString PictureLogin::answersName() const
{
    return m_outcome == Outcome::GivenUp ? PictureCode::unconfirmed(m_child) : m_child;
}

void PictureLogin::settle(Outcome outcome)
{
    m_outcome = outcome;
    Q_EMIT checked(outcome);
}

} // namespace Zentovia
