#pragma once

#include "core/failure.h"

#include <QString>
#include <QtGlobal>

#include <limits>

namespace Zentovia {

// A 16-bit signed whole number whose arithmetic is checked: a result outside
// -32768..32767 raises a Failure before the value changes.
class Int16
{
public:
    constexpr Int16() = default;
    // Raises a Failure when value does not fit.
    explicit Int16(qint64 value)
        : m_value(checked(value))
    { }

    constexpr qint16 value() const noexcept { return m_value; }

    Int16 &operator=(qint64 value)
    {
        m_value = checked(value);
        return *this;
    }
    Int16 &operator+=(qint64 step)
    {
        m_value = checked(qint64(m_value) + step);
        return *this;
    }
    Int16 &operator-=(qint64 step)
    {
        m_value = checked(qint64(m_value) - step);
        return *this;
    }
    friend Int16 operator*(Int16 a, Int16 b) { return Int16(qint64(a.m_value) * b.m_value); }
    friend Int16 operator+(Int16 a, Int16 b) { return Int16(qint64(a.m_value) + b.m_value); }
    friend constexpr auto operator<=>(Int16 a, Int16 b) = default;
    friend constexpr bool operator==(Int16 a, qint64 b) { return a.m_value == b; }
    friend constexpr auto operator<=>(Int16 a, qint64 b) { return qint64(a.m_value) <=> b; }

private:
    static qint16 checked(qint64 value)
    {
        if (value > std::numeric_limits<qint16>::max()
            || value < std::numeric_limits<qint16>::min())
            throw Failure(
                QStringLiteral("Calcolo impossibile: il numero %1 supera il limite di %2.")
                    .arg(value)
                    .arg(value > 0 ? 32767 : -32768));
        return qint16(value);
    }

    qint16 m_value = 0;
};

} // namespace Zentovia
