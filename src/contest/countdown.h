#pragma once

#include "contest/int16.h"

#include <QString>

namespace Zentovia {

// The contest's clock: hours, minutes and seconds counting down, the seconds
// left, and the text the window shows for it.
class Countdown
{
public:
    // Seven minutes to go, or as many as given. The text stays as it is
    // until the next second.
    void arm(int minutes = 7);
    // One second less; the text becomes the time left, as "00:06:59".
    void advance();
    // Shows the time as it stands, as advance() does.
    void showTime();
    // Shows any text in the clock's place.
    void show(const QString &text) { m_text = text; }

    const QString &text() const { return m_text; }
    int hours() const { return m_hours.value(); }
    int minutes() const { return m_minutes.value(); }
    float seconds() const { return m_seconds; }
    int secondsLeft() const { return m_secondsLeft.value(); }

private:
    Int16 m_hours;
    Int16 m_minutes;
    float m_seconds = 0.0f; // whole seconds, 0..59 between two seconds
    Int16 m_secondsLeft;
    QString m_text;
};

} // namespace Zentovia
