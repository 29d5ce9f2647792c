#pragma once

#include <QHash>
#include <QPixmap>
#include <QString>

#include <memory>

namespace Zentovia {

class CharacterFile;

// The character's drawn frames: each pose with its mouth is rendered from the
// character file once per size and screen scale, antialiased, then reused.
class FrameCache
{
public:
    explicit FrameCache(std::shared_ptr<const CharacterFile> file);

    // The frame of a pose and mouth at a size (logical pixels) and scale.
    const QPixmap &frame(const QString &pose, int mouth, QSize size, qreal dpr);
    int size() const { return int(m_frames.size()); }

private:
    std::shared_ptr<const CharacterFile> m_file;
    QHash<QString, QPixmap> m_frames;
    QSize m_size;
    qreal m_dpr = 0;
};

} // namespace Zentovia
