#include "record/recordfiles.h"

#include "core/failure.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <charconv>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

using namespace Qt::StringLiterals;

namespace Zentovia::Record {

namespace {

constexpr qint64 MaxReadBytes = 64 * 1024;

QString joined(const QString &dir, QStringView fileName)
{
    if (dir.isEmpty() || dir.endsWith(u'/'))
        return dir + fileName;
    return dir + u'/' + fileName;
}

[[noreturn]] void failWriting(const QString &path, const QString &reason)
{
    throw Failure(u"Non riesco a scrivere il file del record «%1»: %2"_s.arg(path, reason));
}

// The folder, made when missing, ending with one '/'.
QString madeFolder(const QString &dir)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(dir).toStdString(), error);
    if (error || !QFileInfo(dir).isDir()) {
        const QString reason
            = error ? QString::fromLocal8Bit(error.message()) : u"esiste ma non è una cartella"_s;
        throw Failure(u"Non riesco a creare la cartella del record «%1»: %2"_s.arg(dir, reason));
    }
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

} // namespace

QString GetSystemDir()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        throw Failure(u"Non trovo la cartella dei dati dell'utente dove tenere il record: "
                      "non sono impostate né XDG_DATA_HOME né HOME."_s);
    return madeFolder(QDir::cleanPath(base + u"/zentovia"));
}

QString subfolder(const QString &dir, const QString &name)
{
    return madeFolder(QDir::cleanPath(dir + u'/' + name));
}

QString pointsFileName(int table)
{
    return u"azentrec%1.txt"_s.arg(table);
}

QString nameFileName(int table)
{
    return u"nzentrec%1.txt"_s.arg(table);
}

QString pointsPath(const QString &dir, int table)
{
    return joined(dir, pointsFileName(table));
}

QString namePath(const QString &dir, int table)
{
    return joined(dir, nameFileName(table));
}

void create(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw Failure(
            u"Non riesco a creare il file del record «%1»: %2"_s.arg(path, file.errorString()));
    file.close();
}

QString Leggifiletxt(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(
            u"Non riesco a leggere il file del record «%1»: %2"_s.arg(path, file.errorString()));
    QByteArray bytes(MaxReadBytes, Qt::Uninitialized);
    const qint64 count = file.read(bytes.data(), MaxReadBytes);
    if (count < 0)
        throw Failure(
            u"Non riesco a leggere il file del record «%1»: %2"_s.arg(path, file.errorString()));
    bytes.truncate(count);
    return QString::fromUtf8(bytes);
}

void store(const QString &path, const QString &text)
{
    storeWithHook(path, text, {});
}

void storeWithHook(
    const QString &path, const QString &text, const std::function<void()> &beforeReplace)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        failWriting(path, file.errorString());
    const QByteArray bytes = text.toUtf8() + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        failWriting(path, reason);
    }
    if (beforeReplace)
        beforeReplace();
    if (!file.commit())
        failWriting(path, file.errorString());
}

double leadingNumber(QStringView text)
{
    // The number's characters, blanks left out, in the C locale's spelling.
    std::string number;
    bool seenPoint = false;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        if (c >= u'0' && c <= u'9') {
            number += static_cast<char>(c.unicode());
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
            number += '.';
        } else if ((c == u'-' || c == u'+') && number.empty()) {
            number += static_cast<char>(c.unicode());
        } else {
            break;
        }
    }

    const char *first = number.data();
    const char *last = number.data() + number.size();
    bool negative = false;
    if (first != last && (*first == '-' || *first == '+')) {
        negative = *first == '-';
        ++first;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (error == std::errc::result_out_of_range) {
        // Past the range of a double: far more digits than any score. Tiny
        // fractions count as 0, giant numbers as infinity.
        const std::string_view digits(first, last);
        const bool wholePart
            = digits.substr(0, digits.find('.')).find_first_not_of('0') != std::string_view::npos;
        value = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc() || end == first) {
        value = 0.0;
    }
    return negative ? -value : value;
}

} // namespace Zentovia::Record
