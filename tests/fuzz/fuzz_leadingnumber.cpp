// The number at the start of the stored points, from any bytes read the way
// the window reads the points file (not UTF-8: replacement characters).

#include "record/recordfiles.h"

#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "leadingNumber: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const double value = Zentovia::Record::leadingNumber(text);
    if (std::isnan(value))
        fault("not a number");

    bool anyDigit = false;
    QString unblanked;
    for (const QChar c : text) {
        anyDigit = anyDigit || (c >= u'0' && c <= u'9');
        if (c != u' ' && c != u'\t' && c != u'\n')
            unblanked += c;
    }
    if (!anyDigit && value != 0.0)
        fault("a number with no digit");
    // Blanks, tabs and line feeds are skipped wherever they stand.
    const double again = Zentovia::Record::leadingNumber(unblanked);
    if (!(again == value))
        fault("blanks change the number");
    return 0;
}
