#pragma once

#include <QHash>
#include <QPixmap>
#include <QString>

#include <memory>

namespace Zentovia {

class CharacterFile;

// The character's drawn frames: each pose with its mouth is rendered from the
// character file, antialiased, at the size and screen scale shown, and kept
// for reuse. A frame takes a few milliseconds to draw and about 130 KiB to
// keep (four times that on a 2x screen), so only the four frames used last
// are kept: enough for the mouths of the pose he speaks in; the rest are
// drawn again when shown, in a few milliseconds.
class FrameCache
{
public:
    static constexpr int kMaxFrames = 4;

    explicit FrameCache(std::shared_ptr<const CharacterFile> file);

    // The frame of a pose and mouth at a size (logical pixels) and scale.
    // The reference holds until the next call.
    const QPixmap &frame(const QString &pose, int mouth, QSize size, qreal dpr);
    int size() const { return int(m_frames.size()); }
    // What the kept frames take, in bytes.
    qint64 bytes() const;

private:
    struct Kept
    {
        QPixmap pixmap;
        quint64 lastUse = 0;
    };
    void dropLeastRecent();

    std::shared_ptr<const CharacterFile> m_file;
    QHash<QString, Kept> m_frames;
    QSize m_size;
    qreal m_dpr = 0;
    quint64 m_uses = 0;
};

} // namespace Zentovia
