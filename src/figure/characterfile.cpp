#include "figure/characterfile.h"

#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>

namespace Zentovia {

namespace {

QString num(qreal v)
{
    return QString::number(v, 'g', 7);
}

} // namespace

int CharacterFile::Animation::totalMs() const
{
    int total = 0;
    for (const Frame &f : frames)
        total += f.ms;
    return total;
}

const QStringList &CharacterFile::requiredAnimations()
{
    static const QStringList names {
        QStringLiteral("Announce"),
        QStringLiteral("Greet"),
        QStringLiteral("congratulate"),
        QStringLiteral("domagic1"),
        QStringLiteral("domagic2"),
        QStringLiteral("Show"),
        QStringLiteral("Blink"),
        QStringLiteral("Breathe"),
        QStringLiteral("LookAround"),
    };
    return names;
}

const CharacterFile::Animation *CharacterFile::animation(const QString &name) const
{
    const auto it = m_animations.constFind(name.toLower());
    return it == m_animations.cend() ? nullptr : &*it;
}

QStringList CharacterFile::animationNames() const
{
    QStringList names;
    for (const Animation &a : m_animations)
        names.append(a.name);
    names.sort(Qt::CaseInsensitive);
    return names;
}

QByteArray CharacterFile::poseSvg(const QString &poseName, int mouth) const
{
    QList<std::pair<int, QString>> inserts;
    const Pose pose = m_poses.value(poseName);
    for (auto it = pose.begin(); it != pose.end(); ++it) {
        const Change &c = it.value();
        QString attrs;
        if (c.setShown && !c.shown)
            attrs += QStringLiteral(" display=\"none\"");
        if (c.setOpacity)
            attrs += QStringLiteral(" opacity=\"%1\"").arg(num(c.opacity));
        const bool moves = !c.move.isNull() || c.rotate != 0 || c.scale != QPointF(1, 1);
        if (moves) {
            attrs += QStringLiteral(" transform=\"translate(%1 %2) translate(%3 %4) rotate(%5) "
                                    "scale(%6 %7) translate(%8 %9)\"")
                         .arg(num(c.move.x()), num(c.move.y()), num(c.pivot.x()), num(c.pivot.y()),
                             num(c.rotate), num(c.scale.x()), num(c.scale.y()), num(-c.pivot.x()),
                             num(-c.pivot.y()));
        }
        if (!attrs.isEmpty())
            inserts.append({ m_insertAt.value(it.key()), attrs });
    }
    mouth = qBound(0, mouth, int(m_mouthParts.size()) - 1);
    for (int i = 0; i < m_mouthParts.size(); ++i) {
        if (i != mouth && !pose.contains(m_mouthParts.at(i)))
            inserts.append(
                { m_insertAt.value(m_mouthParts.at(i)), QStringLiteral(" display=\"none\"") });
    }
    std::sort(inserts.begin(), inserts.end(),
        [](const auto &a, const auto &b) { return a.first > b.first; });
    QString svg = m_svg;
    for (const auto &[at, attrs] : inserts)
        svg.insert(at, attrs);
    return svg.toUtf8();
}

QImage CharacterFile::render(const QString &pose, int mouth, const QSize &pixelSize) const
{
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(poseSvg(pose, mouth));
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(pixelSize)));
    return image;
}

} // namespace Zentovia
