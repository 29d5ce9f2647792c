#include "character/framecache.h"

#include "character/characterfile.h"

#include <QBitmap>
#include <QImage>
#include <QtMath>

namespace Zentovia {

FrameCache::FrameCache(std::shared_ptr<const CharacterFile> file, bool withMasks)
    : m_file(std::move(file))
    , m_withMasks(withMasks)
{ }

const FrameCache::Frame &FrameCache::frame(const QString &pose, int mouth, QSize size, qreal dpr)
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
    QImage image = m_file->render(pose, mouth, pixels);
    if (m_withMasks) {
        // Nothing blends the window with what lies beneath: the pixels kept
        // by the mask are shown in their own colour at full strength (a glow
        // stays light instead of turning dark), the others are cut away.
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int a = qAlpha(line[x]);
                if (a > 100 && a < 255) {
                    const QRgb c = qUnpremultiply(line[x]);
                    line[x] = qRgba(qRed(c), qGreen(c), qBlue(c), 255);
                }
            }
        }
    }
    Frame f;
    f.pixmap = QPixmap::fromImage(image);
    f.pixmap.setDevicePixelRatio(dpr);
    if (m_withMasks) {
        const QImage logical = dpr == 1
            ? image
            : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // Black (index 1) is inside the figure, white (index 0) outside.
        QImage mono(size, QImage::Format_MonoLSB);
        mono.setColorTable({ qRgb(255, 255, 255), qRgb(0, 0, 0) });
        mono.fill(0);
        for (int y = 0; y < size.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(logical.constScanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                if (qAlpha(line[x]) > 100)
                    mono.setPixel(x, y, 1);
            }
        }
        f.mask = QRegion(QBitmap::fromImage(mono));
    }
    return *m_frames.insert(key, f);
}

} // namespace Zentovia
