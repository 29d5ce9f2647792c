#pragma once

#include <QString>
#include <QStringList>

namespace Zentovia {

// A child's code on a computer of the class: three pictures out of nine,
// kept as three digits from 1 to 9 ("415": the fourth, the first, the
// fifth). The pictures' names, as the children and the cards say them.
namespace PictureCode {

QStringList names();
// A new code, drawn at random.
QString draw();
// "gatto sole albero".
QString spoken(const QString &code);

} // namespace PictureCode

} // namespace Zentovia
