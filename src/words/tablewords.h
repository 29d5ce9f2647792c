#pragma once

#include <QList>
#include <QString>

namespace Zentovia {

// A table named as Italian says it after "la tabellina": "del 2", "del 10",
// and before a vowel "dell'1", "dell'8".
QString ofTable(int table);

// "la tabellina del 7", "le tabelline del 3 e dell'8", "le tabelline del 2,
// del 3 e del 4".
QString tablesNamed(const QList<int> &tables);

// A count and its noun, agreeing: "1 bambino", "3 bambini", "0 bambini".
QString counted(qsizetype count, const QString &one, const QString &many);

// "Ada", "Ada e Bruno", "Ada, Bruno e Carla".
QString listed(const QStringList &items);

} // namespace Zentovia
