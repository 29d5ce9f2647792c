#pragma once

#include <QString>

namespace Zentovia {

// The program's data folder, share/zentovia/ beside the folder of the
// program: the same in the build tree and in an install tree. Tests may
// point it elsewhere with ZENTOVIA_DATA_DIR.
QString dataDir();
// A file under the data folder.
QString dataPath(const QString &relative);

} // namespace Zentovia
