// numlett with any count of ten-thousandths, and the conversion of any text
// to that count. Below 10^12 numlett never raises and gives lower-case
// letters only (nothing below 1); from 10^12 on it always raises Failure.

#include "core/failure.h"
#include "words/numlett.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr qint64 Scale = 10000;
constexpr qint64 FirstWithoutWords = 1'000'000'000'000 * Scale;

[[noreturn]] void fault(const char *what, qint64 numer)
{
    std::fprintf(stderr, "numlett(%lld): %s\n", static_cast<long long>(numer), what);
    std::abort();
}

bool onlyLowerCaseLetters(const QString &words)
{
    for (const QChar c : words) {
        if (c < u'a' || c > u'z')
            return false;
    }
    return true;
}

void check(qint64 numer)
{
    if (numer >= FirstWithoutWords) {
        try {
            (void)Zentovia::numlett(numer);
        } catch (const Zentovia::Failure &failure) {
            if (failure.message().isEmpty())
                fault("raised with no message", numer);
            return;
        }
        fault("gave words for a number it cannot write", numer);
    }

    QString words;
    try {
        words = Zentovia::numlett(numer);
    } catch (const Zentovia::Failure &) {
        fault("raised below 10^12", numer);
    }
    if (!onlyLowerCaseLetters(words))
        fault("gave something other than lower-case letters", numer);
    if (words.isEmpty() != (numer < Scale))
        fault("gave words below 1 or none from 1 on", numer);
    // The fraction is dropped: the whole part alone gives the same words.
    if (numer > 0 && numer % Scale != 0 && Zentovia::numlett(numer - numer % Scale) != words)
        fault("depends on the fraction", numer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The first eight bytes are the count; the rest is a text for the
    // conversion that the window makes before it asks for the words.
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, size < sizeof bits ? size : sizeof bits);
    check(static_cast<qint64>(bits));

    if (size > sizeof bits) {
        const QString text = QString::fromUtf8(
            reinterpret_cast<const char *>(data + sizeof bits), qsizetype(size - sizeof bits));
        qint64 numer = 0;
        try {
            numer = Zentovia::toFixedPoint(text);
        } catch (const Zentovia::Failure &failure) {
            if (failure.message().isEmpty())
                std::abort();
            return 0;
        }
        check(numer);
    }
    return 0;
}
