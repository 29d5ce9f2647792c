#pragma once

#include "voice/pcmformat.h"
#include "voice/voiceproblem.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace Zentovia {

// Where a voice's sound goes: one stretch of samples at a time. The voice
// follows playedUSecs() to keep the words and the mouth in step, and goes on
// when drained() says that everything has been heard.
class AudioOutput : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioOutput() override = default;

    // Starts playing the samples, replacing whatever was playing. Returns
    // false, with the reason in problem(), when no sound can be played now.
    virtual bool start(const QByteArray &pcm, const PcmFormat &format) = 0;
    // How much of the current sound has been played, from its start.
    virtual qint64 playedUSecs() const = 0;
    // Ends the sound at once; drained() does not follow.
    virtual void stop() = 0;
    virtual VoiceProblem problem() const = 0;

Q_SIGNALS:
    // The whole sound has been played.
    void drained();
    // The sound could not be played to its end (the device went away).
    void lost(const VoiceProblem &why);
};

} // namespace Zentovia
