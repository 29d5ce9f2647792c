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
// The file the picture of names().at(index) is drawn from.
QString picturePath(int index);

// The name a child's answers go under when the code was not given: the name
// typed, marked for the teacher to join to a child of the list. Within the
// length the class's server takes for a name.
QString unconfirmed(const QString &typed);
bool isUnconfirmed(const QString &name);
// The name typed, without the mark.
QString typedOf(const QString &unconfirmedName);

} // namespace PictureCode

} // namespace Zentovia
