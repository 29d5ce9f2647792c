#pragma once

#include <QList>
#include <QString>

class QPagedPaintDevice;

namespace Zentovia {

// A child's card, cut out and kept by the child: the name and the three
// pictures of the code, in order, each with its name.
struct CodeCard
{
    QString child;
    QString code; // three digits from 1 to 9
};

// Eight cards a page, two across; false when nothing could be drawn.
bool printCodeCards(QPagedPaintDevice &device, const QList<CodeCard> &cards);

} // namespace Zentovia
