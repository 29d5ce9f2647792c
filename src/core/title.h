#pragma once

#include <QString>

namespace Zentovia {

// The title of every box of the program.
inline QString programTitle()
{
    return QStringLiteral("Zentovia");
}

} // namespace Zentovia
