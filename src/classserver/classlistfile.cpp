#include "classserver/classlistfile.h"

#include "notebook/notebook.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <optional>

using namespace Qt::StringLiterals;

namespace Zentovia {

namespace {

// The header is one of the first lines: a register puts a title or two
// above it.
constexpr int HeaderAmong = 10;
constexpr QChar Separators[] = { u';', u'\t', u',' };

// What a column's heading says it holds.
enum class Heading { None, FullName, FirstName, Surname };

Heading headingOf(const QString &field)
{
    static const QStringList fullNames = { u"alunno"_s, u"alunna"_s, u"alunno a"_s,
        u"alunno alunna"_s, u"alunna alunno"_s, u"alunni"_s, u"nominativo"_s,
        u"nominativo alunno"_s, u"studente"_s, u"studentessa"_s, u"bambino"_s, u"bambina"_s,
        u"cognome e nome"_s, u"cognome nome"_s, u"nome e cognome"_s, u"nome cognome"_s,
        u"cognome e nome alunno"_s, u"cognome e nome dell'alunno"_s, u"nome alunno"_s };
    // "Alunno/a", "Cognome_Nome", "NOME:" and the like.
    static const QRegularExpression marks(u"[/\\-_.:()]"_s);
    const QString text = QString(field).replace(marks, u" "_s).toCaseFolded().simplified();
    if (text == u"nome")
        return Heading::FirstName;
    if (text == u"cognome" || text == u"cognome alunno")
        return Heading::Surname;
    return fullNames.contains(text) ? Heading::FullName : Heading::None;
}

bool isTotal(const QStringList &fields)
{
    static const QRegularExpression total(
        u"^(totale|totali|tot\\b)"_s, QRegularExpression::CaseInsensitiveOption);
    return std::any_of(fields.begin(), fields.end(),
        [](const QString &field) { return total.match(field).hasMatch(); });
}

// A name has letters, and blanks, apostrophes, hyphens, dots and commas
// between them ("D'Amico, Zoë"). strict, for a file with no header to go by: at most five words,
// each with a capital ("ROSSI", "Anna Maria", "D'Amico", "de Luca").
bool looksLikeName(const QString &name, bool strict)
{
    static const QStringList particles = { u"de"_s, u"di"_s, u"da"_s, u"del"_s, u"della"_s,
        u"dello"_s, u"dei"_s, u"degli"_s, u"dal"_s, u"dalla"_s, u"van"_s, u"von"_s, u"der"_s,
        u"el"_s, u"al"_s, u"bin"_s, u"ben"_s };
    bool letter = false;
    for (const QChar c : name) {
        if (c.isLetter())
            letter = true;
        else if (!c.isSpace() && !c.isMark() && !u"'’`-.,"_s.contains(c))
            return false;
    }
    if (!letter || !strict)
        return letter;
    const QStringList words = name.split(u' ', Qt::SkipEmptyParts);
    return words.size() <= 5 && std::all_of(words.begin(), words.end(), [](const QString &word) {
        const qsizetype apostrophe = word.indexOf(QRegularExpression(u"['’]"_s));
        return word.front().isUpper() || particles.contains(word)
            || (apostrophe > 0 && apostrophe + 1 < word.size()
                && word.at(apostrophe + 1).isUpper());
    });
}

// One line's fields, with "quoted" fields and "" for a quote; the whole
// line when separator is null.
QStringList fieldsOf(const QString &line, QChar separator)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"')
                field += line.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (!separator.isNull() && c == separator) {
            fields << field.trimmed();
            field.clear();
        } else {
            field += c;
        }
    }
    return fields << field.trimmed();
}

std::optional<QString> textOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(
            bytes.at(0) == '\xFF' ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString decoded = utf16(bytes.mid(2));
        return utf16.hasError() ? std::nullopt : std::optional<QString>(decoded);
    }
    if (bytes.contains('\0'))
        return std::nullopt;
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(body);
    if (!utf8.hasError())
        return decoded;
    QStringDecoder windows("Windows-1252");
    return windows.isValid() ? windows(body) : QString::fromLatin1(body);
}

// Where the names are: the separator, and the columns of the whole name, or
// of the first name and the surname.
struct Layout
{
    QChar separator;
    int header = -1; // the header's line, from 0; -1 for none
    int name = -1;
    int surname = -1;
};

// The separator that most of these lines have, in the order of Separators;
// none when no separator is in half of them.
QChar commonSeparator(const QStringList &lines, qsizetype from, QStringView among)
{
    QStringList sample;
    for (qsizetype n = from; n < lines.size() && sample.size() < 20; ++n)
        if (!lines.at(n).trimmed().isEmpty())
            sample << lines.at(n);
    for (const QChar separator : among) {
        const auto with = std::count_if(sample.begin(), sample.end(),
            [&](const QString &line) { return line.contains(separator); });
        if (!sample.isEmpty() && with * 2 >= sample.size())
            return separator;
    }
    return {};
}

std::optional<Layout> headerAmong(const QStringList &lines)
{
    int seen = 0;
    for (int n = 0; n < lines.size() && seen < HeaderAmong; ++n) {
        if (lines.at(n).trimmed().isEmpty())
            continue;
        ++seen;
        for (const QChar separator : { Separators[0], Separators[1], Separators[2], QChar() }) {
            if (!separator.isNull() && !lines.at(n).contains(separator))
                continue;
            Layout layout { separator, n };
            const QStringList fields = fieldsOf(lines.at(n), separator);
            for (int column = 0; column < fields.size(); ++column) {
                const Heading heading = headingOf(fields.at(column));
                if (heading == Heading::Surname && layout.surname < 0)
                    layout.surname = column;
                else if (heading == Heading::FullName
                    || (heading == Heading::FirstName && layout.name < 0))
                    layout.name = column;
                if (heading == Heading::FullName) {
                    layout.surname = -1;
                    break;
                }
            }
            if (layout.name < 0 && layout.surname < 0)
                continue;
            if (layout.name < 0)
                std::swap(layout.name, layout.surname);
            // A header of one column: the separator of the lines below.
            if (separator.isNull())
                layout.separator = commonSeparator(lines, n + 1, u";\t");
            return layout;
        }
    }
    return std::nullopt;
}

// With no header, the column whose values look like names in two lines
// out of three at least.
std::optional<Layout> columnOfNames(const QStringList &lines)
{
    Layout layout { commonSeparator(lines, 0, u";\t,") };
    QList<int> names;
    int filled = 0;
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        ++filled;
        const QStringList fields = fieldsOf(line, layout.separator);
        names.resize(std::max(names.size(), fields.size()));
        for (qsizetype column = 0; column < fields.size(); ++column)
            names[column] += looksLikeName(fields.at(column).simplified(), true) ? 1 : 0;
    }
    const auto best = std::max_element(names.begin(), names.end());
    if (best == names.end() || *best == 0 || *best * 3 < filled * 2)
        return std::nullopt;
    layout.name = int(best - names.begin());
    return layout;
}

} // namespace

ClassListFile readClassList(const QByteArray &bytes)
{
    ClassListFile file;
    const std::optional<QString> text = textOf(bytes);
    if (!text) {
        file.problem = ClassReason::NotText;
        return file;
    }
    const QStringList lines = text->split(QRegularExpression(u"\r\n|\r|\n"_s));
    if (text->trimmed().isEmpty()) {
        file.problem = ClassReason::NoNames;
        return file;
    }
    std::optional<Layout> layout = headerAmong(lines);
    if (!layout)
        layout = columnOfNames(lines);
    if (!layout) {
        file.problem = ClassReason::NoNameColumn;
        return file;
    }
    const bool strict = layout->header < 0;
    QStringList keys;
    for (int n = 0; n < lines.size(); ++n) {
        const QString &line = lines.at(n);
        if (line.trimmed().isEmpty() || n == layout->header)
            continue;
        const auto skip = [&](ClassListFile::Skip why) {
            file.skipped.append({ n + 1, why, line.trimmed() });
        };
        const QStringList fields = fieldsOf(line, layout->separator);
        QString name = fields.value(layout->name).simplified();
        if (layout->surname >= 0 && !fields.value(layout->surname).trimmed().isEmpty())
            name = QString(fields.value(layout->surname) + u' ' + name).simplified();
        if (n < layout->header)
            skip(ClassListFile::Skip::BeforeHeader);
        else if (headingOf(fields.value(layout->name)) != Heading::None)
            skip(ClassListFile::Skip::RepeatedHeader);
        else if (isTotal(fields))
            skip(ClassListFile::Skip::Totals);
        else if (name.isEmpty())
            skip(ClassListFile::Skip::NoName);
        else if (!looksLikeName(name, strict))
            skip(ClassListFile::Skip::NotAName);
        else if (keys.contains(Notebook::childKey(name)))
            file.twice << name;
        else {
            keys << Notebook::childKey(name);
            file.names << name;
        }
    }
    if (file.names.isEmpty())
        file.problem = ClassReason::NoNames;
    return file;
}

} // namespace Zentovia
