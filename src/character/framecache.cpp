#include "character/framecache.h"

#include "character/characterfile.h"

#include <QImage>
#include <QtMath>

namespace Zentovia {

FrameCache::FrameCache(std::shared_ptr<const CharacterFile> file)
    : m_file(std::move(file))
{ }

const QPixmap &FrameCache::frame(const QString &pose, int mouth, QSize size, qreal dpr)
{
    if (dpr != m_dpr || size != m_size) {
        m_frames.clear();
        m_dpr = dpr;
        m_size = size;
    }
    const QString key = pose + u'|' + QString::number(mouth);
    auto it = m_frames.find(key);
    if (it != m_frames.end())
        return *it;
    const QSize pixels(qCeil(size.width() * dpr), qCeil(size.height() * dpr));
    QPixmap pixmap = QPixmap::fromImage(m_file->render(pose, mouth, pixels));
    pixmap.setDevicePixelRatio(dpr);
    return *m_frames.insert(key, pixmap);
}

} // namespace Zentovia
