#include "contest/contest.h"

#include "contest/dialogs.h"
#include "contest/display.h"
#include "contest/randomdraw.h"
#include "core/agent.h"
#include "core/character.h"
#include "core/clock.h"
#include "record/recordfiles.h"
#include "words/numlett.h"
#include "words/tablewords.h"

#include <QScopeGuard>

#include <algorithm>

#include <cmath>

using namespace Qt::StringLiterals;

namespace Zentovia {

const QString Contest::Instructions = QStringLiteral(
    "Allora attenzione, iniziamo la nostra avventura con la tabellina del 5. Io detto e tu scrivi "
    "il risultato nello spazio sotto di me. Mi raccomando inserisci il risultato e premi invio e "
    "poi aspetta che io finisca di parlare e premi ancora invio per avere la domanda successiva");

namespace {

// The praise ladder, by the number of right answers before this one: the
// player's name before the result, or an animation and a phrase after it.
struct Rung
{
    int before;
    bool name;
    const char16_t *animation;
    const char16_t *phrase;
};
constexpr Rung Ladder[] = {
    { 2, false, u"congratulate", u"Sei grande" },
    { 3, true, nullptr, nullptr },
    { 5, false, u"domagic1", u"Sei forte" },
    { 7, true, nullptr, nullptr },
    { 10, false, u"congratulate", u"Sei sulla buona strada per diventare cavaliere" },
    { 12, true, nullptr, nullptr },
    { 13, false, u"domagic2", u"Sei in gamba" },
    { 14, false, u"congratulate", u"Sei eccezionale" },
    { 18, false, u"congratulate", u"Sei insuperabile" },
    { 21, true, nullptr, nullptr },
    { 23, false, u"congratulate",
        u"Ti nomino cavaliere della tabellina, il massimo ordine per un eroe" },
    { 26, true, nullptr, nullptr },
    { 27, false, u"congratulate", u"Hai lavorato bene mio leale campione: sei invincibile" },
};

const Rung *rungAt(int before)
{
    for (const Rung &rung : Ladder)
        if (rung.before == before)
            return &rung;
    return nullptr;
}

// A uniform draw in [0, 1) turned into a whole number 1..10.
qint64 oneToTen(float r)
{
    return qint64(std::floor(10.0f * r)) + 1;
}

} // namespace

Contest::Contest(
    Dialogs &dialogs, RandomDraw &random, Agent &agent, Cast cast, int table, QObject *parent)
    : QObject(parent)
    , m_dialogs(dialogs)
    , m_random(random)
    , m_agent(agent)
    , m_cast(std::move(cast))
    , m_table(qBound(FirstTable, table, LastTable))
    , m_time(&Clock::system())
{ }

QString Contest::instructions(int table)
{
    return instructions(QList<int> { table });
}

QString Contest::instructions(const QList<int> &tables)
{
    QString text = Instructions;
    return text.replace(u"la tabellina del 5."_s, tablesNamed(tables) + u'.');
}

QString Contest::practiceInstructions(const QList<int> &tables)
{
    QString text = Practice::Instructions;
    return tables.isEmpty()
        ? text
        : text.replace(u"le tabelline che ti servono di più"_s, tablesNamed(tables));
}

QString Contest::instructions() const
{
    if (isPractice())
        return practiceInstructions(m_tables);
    return m_tables.size() > 1 ? instructions(m_tables) : instructions(m_table);
}

void Contest::setTables(const QList<int> &tables)
{
    m_tables.clear();
    for (const int table : tables)
        if (!m_tables.contains(qBound(FirstTable, table, LastTable)))
            m_tables << qBound(FirstTable, table, LastTable);
    std::sort(m_tables.begin(), m_tables.end());
    if (!m_tables.isEmpty())
        m_table = m_tables.first();
}

void Contest::start()
{
    m_correct = 0;
    m_wrong = 0;
    const QString name = inputBox(QStringLiteral("Come ti chiami?"));
    messageBox(u' ' + name + QStringLiteral(" vediamo se sei un vero campione  "));
    m_player = playerName(name);
    Q_EMIT playerNamed(m_player);

    if (isPractice()) {
        // No clock and no record: the questions still to come instead.
        showRemaining();
    } else if (hasOwnTime()) {
        m_questionsLeft = Practice::Questions;
        m_countdown.arm(m_minutes);
        showRemaining();
        readRecord();
    } else {
        // Deliberate: the clock shows its time before it is armed, "00:00:00".
        m_countdown.showTime();
        Q_EMIT clockShown(m_countdown.text());
        m_countdown.arm();
        Q_EMIT clockArmed();
        readRecord();
    }
    introduceCharacter();
    Q_EMIT questionLineShown(false);
}

void Contest::readRecord()
{
    m_recordDir = Record::GetSystemDir();
    // A contest with more time, or none, has a record of its own.
    if (hasOwnTime())
        m_recordDir = Record::subfolder(m_recordDir,
            m_minutes == NoClock ? u"senza-orologio"_s : u"%1-minuti"_s.arg(m_minutes));
    // So does a contest on several tables, one for each set, under the
    // first table's names.
    if (m_tables.size() > 1) {
        QStringList named;
        for (const int table : std::as_const(m_tables))
            named << QString::number(table);
        m_recordDir = Record::subfolder(m_recordDir, u"tabelline-"_s + named.join(u'-'));
    }
    const QString points = pointsFile();
    const QString holder = holderFile();
    Record::create(points);
    Record::create(holder);
    m_storedPoints = Record::Leggifiletxt(points);
    const QString storedHolder = Record::Leggifiletxt(holder);
    Q_EMIT recordRead(m_storedPoints, storedHolder);
}

void Contest::introduceCharacter()
{
    m_agent.Load(m_cast.id, m_cast.key);
    Character &character = characterInView(QStringLiteral("Announce"));
    m_instructionsSaid = character.Speak(instructions()).id;
    connect(
        &character, &Character::clicked, this, &Contest::sayQuestionAgain, Qt::UniqueConnection);
    connect(&character, &Character::requestDone, this, &Contest::requestDone, Qt::UniqueConnection);
    connect(&character, &Character::heard, this, &Contest::questionHeard, Qt::UniqueConnection);
}

QString Contest::pointsFile() const
{
    return Record::pointsPath(m_recordDir, m_table);
}

QString Contest::holderFile() const
{
    return Record::namePath(m_recordDir, m_table);
}

void Contest::activate()
{
    if (m_activated || m_ended)
        return;
    m_activated = true;
    askQuestion();
    // Deliberate: the counts are zeroed again after the first question.
    m_wrong = 0;
    m_correct = 0;
    if (countsQuestions()) {
        showRemaining();
        return;
    }
    if (hasOwnTime()) {
        m_countdown.showTime();
        Q_EMIT clockShown(m_countdown.text());
        return;
    }
    // Deliberate: "00.07.00", with full stops, until the first tick.
    m_countdown.show(QStringLiteral("00.07.00"));
    Q_EMIT clockShown(m_countdown.text());
}

void Contest::showRemaining()
{
    if (isPractice())
        Q_EMIT clockShown(QString::number(m_practice->remaining()));
    else if (countsQuestions())
        Q_EMIT clockShown(QString::number(m_questionsLeft));
}

void Contest::questionCounted(bool right)
{
    if (isPractice())
        m_practice->answered({ m_question.factor.value(), m_question.multiplier.value() }, right);
    else
        m_questionsLeft = std::max(0, m_questionsLeft - 1);
    showRemaining();
}

void Contest::askQuestion()
{
    if (m_ended)
        return;
    if (m_asked && !m_judged) {
        Q_EMIT skipped(m_question, m_time->now() - m_askedAt);
        if (countsQuestions())
            questionCounted(false);
    }
    // A ripasso ends when its last question has been answered.
    if (isPractice() ? m_practice->isOver() : countsQuestions() && m_questionsLeft == 0) {
        finish();
        return;
    }
    // The question heard is the question asked: what the wizard still had
    // to say of the last one is dropped.
    if (m_asked && (isPractice() || hasOwnTime()))
        m_agent.Item(m_cast.id).Stop();
    drawQuestion();
    // Written, with a time of the child's own, while it is asked.
    Q_EMIT questionLineShown(hasOwnTime());
    Q_EMIT questionAsked(m_question);
    m_judged = false;
    m_asked = true;
    m_askedAt = m_time->now();
    m_questionSaid = sayQuestion(characterInView(QStringLiteral("Greet"))).id;
    const Int16 twenty(20);
    Q_EMIT gradientPainted(
        (twenty * m_question.factor).value(), (twenty * m_question.tint).value());
}

void Contest::drawQuestion()
{
    const qint64 previous = m_asked ? qint64(m_question.multiplier.value()) : 0;
    m_random.reseed();
    m_question.factor = m_table;
    m_question.tint = oneToTen(m_random.next());
    m_question.multiplier = oneToTen(m_random.next());
    if (countsQuestions() && !isPractice()) {
        // A round of the ten facts, drawn one by one from those left, then
        // another: each fact twice in twenty, never twice in a row.
        if (m_round.isEmpty())
            m_round = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 };
        qsizetype pick = (m_question.multiplier.value() - 1) * m_round.size() / 10;
        if (m_round.at(pick) == previous && m_round.size() > 1)
            pick = (pick + 1) % m_round.size();
        m_question.multiplier = m_round.takeAt(pick);
    }
    if (m_tables.size() > 1 && !isPractice()) {
        const auto drawn = qsizetype(std::floor(m_tables.size() * m_random.next()));
        m_question.factor = m_tables.at(std::min(drawn, m_tables.size() - 1));
    }
    if (isPractice()) {
        const Fact fact = m_practice->next();
        m_question.factor = fact.table;
        m_question.multiplier = fact.multiplier;
    }
    m_question.product = m_question.multiplier * m_question.factor;
    m_question.words = numlett(toFixedPoint(QString::number(m_question.multiplier.value())));
}

Request Contest::sayQuestion(Character &character)
{
    character.Speak(formatNumber(m_question.factor.value(), u"#0"));
    character.Speak(QStringLiteral("per"));
    return character.Speak(m_question.words);
}

void Contest::questionHeard(quint64 id)
{
    // The child knows the question once the wizard's last word of it is
    // heard: the answer's time counts from then, not from the moment it was
    // drawn, which may be while he still gives his instructions, nor from
    // the silence after his words.
    if (id != m_questionSaid)
        return;
    if (m_asked && !m_judged) {
        m_askedAt = m_time->now();
        Q_EMIT questionSpoken();
    }
    m_questionSaid = 0;
}

void Contest::requestDone(quint64 id)
{
    // A character that does not tell when its words are heard: once said.
    questionHeard(id);
    // With a time of the child's own, the clock starts once the
    // instructions have been given.
    if (id == m_instructionsSaid && hasOwnTime() && !countsQuestions() && !m_ended) {
        m_instructionsSaid = 0;
        Q_EMIT clockArmed();
    }
}

void Contest::sayQuestionAgain()
{
    // The answer's time counts again from the question heard anew.
    if (isRunning())
        m_questionSaid = sayQuestion(m_agent.Item(m_cast.id)).id;
}

void Contest::keyTyped(QChar key, const QString &answer)
{
    if (m_ended)
        return;
    Q_EMIT drawingCleared();
    Q_EMIT questionLineShown(true);
    if (key != u'\r')
        return;
    if (m_judged) {
        // An answer counts once: back to the button that asks the next one.
        Q_EMIT questionLineShown(false);
        Q_EMIT nextOffered();
        return;
    }
    judge(answer);
}

void Contest::judge(const QString &answer)
{
    if (m_ended)
        return;
    if (isPractice() && !m_judged && answer.isEmpty()) {
        // Nothing written is no answer: the question waits for one, and the
        // wizard says so in his balloon.
        characterInView().Speak(Practice::AnswerWanted);
        return;
    }
    Q_EMIT questionLineShown(false);
    // The answer must be the product's digits, character for character.
    const QString product = QString::number(m_question.product.value());
    const Verdict verdict = answer == product ? Verdict::Right : Verdict::Wrong;
    if (!m_judged) {
        Q_EMIT answered(m_question, answer, verdict, m_time->now() - m_askedAt);
        if (countsQuestions())
            questionCounted(verdict == Verdict::Right);
    }
    if (verdict == Verdict::Right) {
        Q_EMIT verdictShown(Verdict::Right, QStringLiteral("Esatto. Sei forte!!!"));
        // Deliberate: the praise goes by the count before this answer.
        const int before = m_correct.value();
        m_correct += 1;
        praise(characterInView(), before, product);
    } else {
        Q_EMIT verdictShown(Verdict::Wrong, QStringLiteral("Sbagliato!! ") + product);
        m_wrong += 1;
        Character &character = characterInView(QStringLiteral("Greet"));
        character.Speak(QStringLiteral("Sbagliato"));
        character.Speak(product);
    }
    const Int16 total = m_wrong + m_correct;
    Q_EMIT countsShown(formatNumber(m_correct.value(), u"####0"),
        formatNumber(m_wrong.value(), u"###0"), formatNumber(total.value(), u"####0"));
    m_judged = true;
    Q_EMIT nextOffered();
}

void Contest::praise(Character &character, int before, const QString &product)
{
    // Deliberate: at 10 right answers before this one, no opening word.
    if (before < 10)
        character.Speak(QStringLiteral("Esatto"));
    else if (before > 10)
        character.Speak(QStringLiteral("Giusto"));
    const Rung *rung = rungAt(before);
    if (rung && rung->name)
        character.Speak(m_player);
    character.Speak(product);
    if (rung && rung->animation) {
        character.Play(QString::fromUtf16(rung->animation));
        character.Speak(QString::fromUtf16(rung->phrase));
    }
}

void Contest::tick()
{
    // No tick before the first question or while a box is open, so the end
    // of contest runs once.
    if (!isRunning() || m_openBoxes > 0 || countsQuestions())
        return;
    // Deliberate: the end is the clock's text "00:00:00", with colons.
    if (m_countdown.text() == QLatin1StringView("00:00:00")) {
        finish();
        return;
    }
    if (m_countdown.secondsLeft() < 1) {
        messageBox(QStringLiteral("Tempo scaduto"));
        finish();
        return;
    }
    m_countdown.advance();
    Q_EMIT clockShown(m_countdown.text());
}

void Contest::finish()
{
    if (m_ended)
        return;
    if (isPractice()) {
        // How it went, said and shown; a ripasso keeps no record.
        const QString summary = m_practice->summary();
        characterInView().Speak(summary);
        messageBox(summary);
        end(0);
        return;
    }
    messageBox(QStringLiteral("Ciao. Ti aspetto per la prossima sfida "));
    if (Record::leadingNumber(m_storedPoints) < m_correct.value()) {
        Record::store(pointsFile(), formatNumber(m_correct.value(), u"####0"));
        Record::store(holderFile(), m_player);
        messageBox(QStringLiteral("Ok ho registrato il tuo record, C A M P I O N E\""));
    }
    end(0);
}

void Contest::end(int status)
{
    m_ended = true;
    Q_EMIT ended(status);
}

Character &Contest::characterInView(const QString &opening)
{
    Character &character = m_agent.Item(m_cast.id);
    character.Show();
    character.MoveTo(m_cast.place.x(), m_cast.place.y());
    if (!opening.isEmpty())
        character.Play(opening);
    character.setHeight(m_cast.height);
    return character;
}

QString Contest::inputBox(const QString &prompt)
{
    ++m_openBoxes;
    const auto closed = qScopeGuard([this] { --m_openBoxes; });
    return m_dialogs.inputBox(prompt);
}

void Contest::messageBox(const QString &text)
{
    ++m_openBoxes;
    const auto closed = qScopeGuard([this] { --m_openBoxes; });
    m_dialogs.messageBox(text);
}

} // namespace Zentovia
