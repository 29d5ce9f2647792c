#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>

namespace Zentovia {

// A character file: an SVG drawing whose parts carry ids, and inside it an
// animation script (JSON) naming poses (how parts are shown, moved, turned,
// scaled) and animations (poses with their durations). The format is
// described in data/merlin/FORMAT.md. Loading validates everything an
// animation will need, so that playing never fails later.
class CharacterFile
{
public:
    // How a pose changes one part of the drawing.
    struct Change
    {
        bool setShown = false;
        bool shown = true;
        qreal rotate = 0; // degrees, clockwise, around the pivot
        QPointF move; // drawing units
        QPointF scale { 1, 1 };
        QPointF pivot;
        qreal opacity = 1;
        bool setOpacity = false;
    };
    using Pose = QHash<QString, Change>; // part id -> change

    struct Frame
    {
        QString pose;
        int ms = 100;
        int mouth = -1; // a mouth level, or -1: the speaking mouth
    };
    struct Animation
    {
        QString name; // as the file spells it
        QList<Frame> frames;
        int totalMs() const;
    };

    // The animations every character file must have, matched without
    // regard to case: those the contest plays, the appearance played by
    // Show and the three of idle life.
    static const QStringList &requiredAnimations();
    static constexpr int kMinFrameMs = 33; // at most 30 frames a second

    // Loads and checks the file. Raises a Failure naming the file and the
    // fault: missing or unreadable, not well-formed, no script, a script
    // that is not valid, a part that is not in the drawing, a missing
    // animation. texts gives, by part id, the text a part shows in place of
    // the drawing's own (the table on the wizard's scroll).
    static std::shared_ptr<const CharacterFile> load(
        const QString &path, const QHash<QString, QString> &texts = {});

    QString path() const { return m_path; }
    QString name() const { return m_name; }
    // The drawing's size in its own units (the viewBox).
    QSizeF size() const { return m_size; }
    qreal aspect() const { return m_size.width() / m_size.height(); }
    QString restPose() const { return QStringLiteral("rest"); }
    int mouthLevels() const { return int(m_mouthParts.size()); }
    // The point the balloon points at, in drawing units.
    QPointF mouthPoint() const { return m_mouthPoint; }

    // An animation by name, without regard to case; nullptr when unknown.
    const Animation *animation(const QString &name) const;
    QStringList animationNames() const;
    bool hasPose(const QString &name) const { return m_poses.contains(name); }

    // The SVG text of a pose with the given mouth level (0 = closed).
    QByteArray poseSvg(const QString &pose, int mouth) const;
    // Draws a pose into a transparent image of pixelSize device pixels.
    QImage render(const QString &pose, int mouth, const QSize &pixelSize) const;

private:
    class Loader;
    CharacterFile() = default;

    QString m_path;
    QString m_name;
    QSizeF m_size;
    QPointF m_mouthPoint;
    QString m_svg; // the drawing without the script
    QHash<QString, int> m_insertAt; // part id -> where its start tag takes attributes
    QHash<QString, Pose> m_poses; // resolved: bases merged in
    QStringList m_mouthParts; // closed .. wide open
    QHash<QString, Animation> m_animations; // keyed by lower-case name
};

} // namespace Zentovia
