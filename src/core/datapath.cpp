#include "core/datapath.h"

#include <QCoreApplication>
#include <QDir>

namespace Zentovia {

QString dataDir()
{
    const QString overridden = qEnvironmentVariable("ZENTOVIA_DATA_DIR");
    if (!overridden.isEmpty())
        return QDir::cleanPath(overridden);
    const QDir bin(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(bin.filePath(QStringLiteral("../" ZENTOVIA_DATA_SUBDIR)));
}

QString dataPath(const QString &relative)
{
    return QDir(dataDir()).filePath(relative);
}

} // namespace Zentovia
