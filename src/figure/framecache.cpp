#include "figure/framecache.h"

#include "figure/characterfile.h"

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
    if (it != m_frames.end()) {
        it->lastUse = ++m_uses;
        return it->pixmap;
    }
    if (m_frames.size() >= kMaxFrames)
        dropLeastRecent();
    const QSize pixels(qCeil(size.width() * dpr), qCeil(size.height() * dpr));
    QPixmap pixmap = QPixmap::fromImage(m_file->render(pose, mouth, pixels));
    pixmap.setDevicePixelRatio(dpr);
    return m_frames.insert(key, Kept { pixmap, ++m_uses })->pixmap;
}

void FrameCache::dropLeastRecent()
{
    auto oldest = m_frames.begin();
    for (auto it = m_frames.begin(); it != m_frames.end(); ++it)
        if (it->lastUse < oldest->lastUse)
            oldest = it;
    if (oldest != m_frames.end())
        m_frames.erase(oldest);
}

qint64 FrameCache::bytes() const
{
    qint64 total = 0;
    for (const Kept &kept : m_frames)
        total += qint64(kept.pixmap.width()) * kept.pixmap.height() * kept.pixmap.depth() / 8;
    return total;
}

} // namespace Zentovia
