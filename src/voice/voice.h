#pragma once

#include <QObject>
#include <QString>

namespace Zentovia {

// What a character speaks with. say() starts one utterance and returns at
// once; while it lasts the voice reports each word as it is reached and how
// open the mouth is, and it always ends with finished(), also when no sound
// could be played. One utterance at a time: say() while speaking first stops
// the current one.
class Voice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Voice() override = default;

    // A text that will be said soon: a voice may get it ready ahead.
    virtual void prepare(const QString &text) = 0;
    virtual void say(const QString &text) = 0;
    // Ends the current utterance at once; finished() is not emitted for it.
    virtual void stop() = 0;

Q_SIGNALS:
    // The word starting at position (a QString index into the text) with the
    // given length is being said now.
    void wordReached(int position, int length);
    // How open the mouth is, 0 (closed) to 1 (wide open).
    void mouthOpened(qreal openness);
    // The utterance's last sound has been heard: only the silence after it
    // is left, and finished() follows once that is over too. Not every
    // voice tells it; none does for an utterance stopped.
    void heard();
    void finished();
};

} // namespace Zentovia
