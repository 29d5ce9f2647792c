// The reading of a record file with any bytes in it: never a crash, never
// more than the first 64 KiB, and exactly those bytes as text.

#include "core/failure.h"
#include "record/recordfiles.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr qsizetype MaxReadBytes = 64 * 1024;

[[noreturn]] void fault(const char *what)
{
    std::fprintf(stderr, "Leggifiletxt: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        fault("no temporary folder");
    const QString path = dir.filePath(QStringLiteral("azentrec5.txt"));

    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // An input whose first byte has its top bit set is repeated past 64 KiB,
    // so that the cut falls anywhere, through a character too.
    if (!bytes.isEmpty() && (static_cast<unsigned char>(bytes.front()) & 0x80) != 0) {
        bytes = bytes.repeated(MaxReadBytes / bytes.size() + 1);
    }
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(bytes) != bytes.size())
            fault("cannot write the input file");
    }

    QString text;
    try {
        text = Zentovia::Record::Leggifiletxt(path);
    } catch (const Zentovia::Failure &) {
        fault("raised on a readable file");
    }
    if (text != QString::fromUtf8(bytes.left(MaxReadBytes)))
        fault("did not give the file's first 64 KiB as text");
    return 0;
}
