#pragma once

#include "core/request.h"

#include <QObject>
#include <QString>

namespace Zentovia {

// A speaking character in a window. Every request but the height joins the
// character's queue and returns at once; the queue carries the requests out
// one after another, in order. Nothing here waits for speech or animation.
class Character : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Character() override = default;

    // Brings the character into view in its window, wherever it was (hidden,
    // outside the window, covered by the window's controls), playing its
    // appearance when it was hidden or outside. A minimized window stays so.
    virtual Request Show() = 0;
    // Moves the character's top-left corner to the point x, y of its window,
    // measured from the window's top-left corner (where its menu bar starts),
    // so it keeps its place over the window's controls wherever the window
    // is on the screen.
    virtual Request MoveTo(int x, int y) = 0;
    // Plays a named animation; names are matched without regard to case.
    // An unknown name raises a Failure.
    virtual Request Play(const QString &animation) = 0;
    // Says a text, in a balloon and aloud.
    virtual Request Speak(const QString &text) = 0;
    // Drops, at once, what the character still has to say: the speech under
    // way and every request queued behind it, each reported done. Not
    // queued.
    virtual void Stop() = 0;
    // The character's height in pixels; set at once, not queued.
    virtual void setHeight(int pixels) = 0;
    virtual int height() const = 0;

Q_SIGNALS:
    // The last word of a Speak request has been heard; the request goes on
    // a moment longer (the silence after the words) before it is done. Not
    // every character tells it.
    void heard(quint64 id);
    // A request has been carried out.
    void requestDone(quint64 id);
    // The child clicked the character.
    void clicked();
};

} // namespace Zentovia
