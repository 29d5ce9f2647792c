#include "words/tablewords.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace Zentovia {

QString ofTable(int table)
{
    // "uno" and "otto" begin with a vowel.
    return (table == 1 || table == 8 ? u"dell'"_s : u"del "_s) + QString::number(table);
}

QString tablesNamed(const QList<int> &tables)
{
    QStringList named;
    for (const int table : tables)
        named << ofTable(table);
    return (named.size() == 1 ? u"la tabellina "_s : u"le tabelline "_s) + listed(named);
}

QString counted(qsizetype count, const QString &one, const QString &many)
{
    return QString::number(count) + u' ' + (count == 1 ? one : many);
}

QString listed(const QStringList &items)
{
    if (items.size() < 2)
        return items.value(0);
    return items.mid(0, items.size() - 1).join(u", "_s) + u" e "_s + items.last();
}

} // namespace Zentovia
