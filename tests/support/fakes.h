#pragma once

// Stand-ins for what the window asks of the outside world: the boxes, the
// random draw, the character's host. They record what the window asked.

#include "contest/contest.h"
#include "contest/dialogs.h"
#include "contest/randomdraw.h"
#include "core/agent.h"
#include "core/character.h"
#include "core/failure.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

namespace Zentovia::Testing {

// The wizard as the program casts him: the place and height the tests expect.
inline Cast merlinCast()
{
    return { QStringLiteral("Merlin"), QStringLiteral("merlin/merlin.svg"), QPoint(250, 175), 205 };
}

class FakeDialogs : public Dialogs
{
public:
    QStringList names; // answers to the input box, in turn ("" also for Cancel)
    QStringList prompts;
    QStringList messages;
    std::function<void(const QString &)> onMessage;
    std::function<void(const QString &)> onInput;

    QString inputBox(const QString &prompt) override
    {
        prompts << prompt;
        if (onInput)
            onInput(prompt);
        return names.isEmpty() ? QString() : names.takeFirst();
    }
    void messageBox(const QString &text) override
    {
        messages << text;
        if (onMessage)
            onMessage(text);
    }
};

// Gives the draws it was told, then 0.
class FakeRandom : public RandomDraw
{
public:
    QList<float> draws;
    int reseeds = 0;

    void reseed() override { ++reseeds; }
    float next() override { return draws.isEmpty() ? 0.0f : draws.takeFirst(); }

    // The draws that make the next question 5 x multiplier.
    void nextQuestion(int multiplier, int tinta = 1)
    {
        draws << (tinta - 1 + 0.5f) / 10.0f << (multiplier - 1 + 0.5f) / 10.0f;
    }
};

// Keeps every request, in order, as a short line: "Show", "MoveTo 250,175",
// "Play Greet", "Height 205", "Speak per".
class RecordingCharacter : public Character
{
public:
    QStringList requests;

    Request Show() override { return record(QStringLiteral("Show")); }
    Request MoveTo(int x, int y) override
    {
        return record(QStringLiteral("MoveTo %1,%2").arg(x).arg(y));
    }
    Request Play(const QString &animation) override { return record(u"Play " + animation); }
    Request Speak(const QString &text) override { return record(u"Speak " + text); }
    void Stop() override { requests << QStringLiteral("Stop"); }
    void setHeight(int pixels) override
    {
        m_height = pixels;
        requests << QStringLiteral("Height %1").arg(pixels);
    }
    int height() const override { return m_height; }

    // What the character was asked since the last call.
    QStringList take() { return std::exchange(requests, {}); }
    void click() { Q_EMIT clicked(); }

private:
    Request record(const QString &line)
    {
        requests << line;
        return Request { quint64(requests.size()) };
    }
    int m_height = 0;
};

class RecordingAgent : public Agent
{
public:
    QStringList loads;
    bool failLoad = false;

    void Load(const QString &id, const QString &key) override
    {
        loads << id + u' ' + key;
        if (failLoad)
            throw Failure(QStringLiteral("Non riesco a caricare il personaggio «%1».").arg(key));
        m_characters[id] = std::make_unique<RecordingCharacter>();
    }
    Character &Item(const QString &id) override { return merlin(id); }

    RecordingCharacter &merlin(const QString &id = QStringLiteral("Merlin"))
    {
        const auto found = m_characters.find(id);
        if (found == m_characters.end())
            throw Failure(QStringLiteral("Il personaggio «%1» non è caricato.").arg(id));
        return *found->second;
    }

private:
    std::map<QString, std::unique_ptr<RecordingCharacter>> m_characters;
};

} // namespace Zentovia::Testing
