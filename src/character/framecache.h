#pragma once

#include <QHash>
#include <QPixmap>
#include <QRegion>
#include <QString>

#include <memory>

namespace Zentovia {

class CharacterFile;

// The character's drawn frames: each pose with its mouth is rendered from the
// character file once per size and screen scale, then reused. Where the
// window is cut to the figure's shape (no compositor), each frame also
// carries that shape.
class FrameCache
{
public:
    struct Frame
    {
        QPixmap pixmap;
        QRegion mask; // the figure's shape, in window coordinates
    };

    FrameCache(std::shared_ptr<const CharacterFile> file, bool withMasks);

    // The frame of a pose and mouth at a size (logical pixels) and scale.
    const Frame &frame(const QString &pose, int mouth, QSize size, qreal dpr);
    int size() const { return int(m_frames.size()); }

private:
    std::shared_ptr<const CharacterFile> m_file;
    bool m_withMasks;
    QHash<QString, Frame> m_frames;
    QSize m_size;
    qreal m_dpr = 0;
};

} // namespace Zentovia
