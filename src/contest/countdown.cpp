#include "contest/countdown.h"

#include "contest/display.h"

namespace Zentovia {

void Countdown::arm(int minutes)
{
    m_hours = 0;
    m_minutes = minutes;
    m_seconds = 0;
    m_secondsLeft = minutes * 60;
}

void Countdown::advance()
{
    if (m_seconds == 0.0f) {
        if (m_minutes > 0) {
            m_minutes -= 1;
            m_seconds = 60;
        } else if (m_minutes == 0) {
            if (m_hours > 0) {
                m_hours -= 1;
                m_minutes = 59;
                m_seconds = 60;
            } else {
                m_hours = 0;
                m_minutes = 0;
            }
        }
    }
    m_seconds -= 1;
    m_secondsLeft -= 1;
    showTime();
}

void Countdown::showTime()
{
    m_text = clockText(m_hours.value(), m_minutes.value(), qint64(m_seconds));
}

} // namespace Zentovia
