#include "figure/characterfile.h"

#include "core/failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSvgRenderer>
#include <QXmlStreamReader>

namespace Zentovia {

namespace {

const QString kScriptNamespace = QStringLiteral("urn:zentovia:character:1");
const QString kScriptElement = QStringLiteral("character");
const QString kFormat = QStringLiteral("zentovia-character/1");

[[noreturn]] void fail(const QString &path, const QString &fault)
{
    throw Failure(QStringLiteral("Il personaggio non si può caricare dal file \"%1\": %2.")
                      .arg(QDir::toNativeSeparators(path), fault));
}

// What a start tag says of a part that poses may change.
struct PartTag
{
    int insertAt = -1;
    bool ownTransform = false; // transform, display, opacity or visibility of its own
};

} // namespace

// Reads a character file in steps: the XML drawing with its parts and its
// script, then the script's mouth, parts, poses and animations. Each step
// raises a Failure naming the file and the fault.
class CharacterFile::Loader
{
public:
    Loader(const QString &path, const QHash<QString, QString> &texts)
        : m_path(path)
        , m_texts(texts)
        , m_file(new CharacterFile)
    { }

    std::shared_ptr<const CharacterFile> load()
    {
        const QString text = fillTexts(readText());
        m_file->m_path = QFileInfo(m_path).absoluteFilePath();
        scanDrawing(text);
        const QJsonObject root = parseScript();
        parseMouth(root.value(QStringLiteral("mouth")).toObject());
        // The drawing must be readable by the SVG renderer; it also gives
        // each part's default pivot, the centre of its bounds.
        QSvgRenderer renderer(m_file->m_svg.toUtf8());
        if (!renderer.isValid())
            fail(QStringLiteral("il disegno SVG non si può leggere"));
        parsePivots(root.value(QStringLiteral("parts")).toObject());
        parsePoses(root.value(QStringLiteral("poses")).toObject(), renderer);
        parseAnimations(root.value(QStringLiteral("animations")).toObject());
        placeAttributes();
        return m_file;
    }

private:
    [[noreturn]] void fail(const QString &fault) const { Zentovia::fail(m_path, fault); }

    QString readText() const;
    QString fillTexts(QString text) const;
    void scanDrawing(const QString &text);
    void readViewBox(const QXmlStreamReader &xml);
    void addPart(const QString &text, const QXmlStreamReader &xml);
    void cutScript(const QString &text);
    QJsonObject parseScript() const;
    QPointF point(const QJsonValue &v, const QString &where) const;
    void requirePart(const QString &id, const QString &where) const;
    void parseMouth(const QJsonObject &mouth);
    void parsePivots(const QJsonObject &parts);
    void parsePoses(const QJsonObject &poses, const QSvgRenderer &renderer);
    Pose resolvePose(const QString &name, QStringList &chain);
    Change parseChange(const QString &part, const QJsonObject &o, const QString &where) const;
    void parseAnimations(const QJsonObject &animations);
    Frame parseFrame(const QJsonValue &v, const QString &where) const;
    void placeAttributes();

    const QString m_path;
    const QHash<QString, QString> m_texts; // part id -> the text it shows
    std::shared_ptr<CharacterFile> m_file;
    QHash<QString, PartTag> m_tags;
    QString m_script;
    int m_scriptStart = -1;
    int m_scriptEnd = -1;
    QHash<QString, QPointF> m_pivots;
    // While poses are resolved.
    QJsonObject m_poseObjects;
    const QSvgRenderer *m_renderer = nullptr;
};

QString CharacterFile::Loader::readText() const
{
    const QFileInfo info(m_path);
    if (!info.exists())
        fail(QStringLiteral("il file non esiste"));
    if (!info.isFile())
        fail(QStringLiteral("non è un file"));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("il file non si può leggere (%1)").arg(file.errorString()));
    return QString::fromUtf8(file.readAll());
}

// The text of each part named in m_texts, put in place of what the drawing
// holds between its start tag and the next tag, before anything else reads
// the document. A part the drawing does not have is passed over.
QString CharacterFile::Loader::fillTexts(QString text) const
{
    for (auto it = m_texts.cbegin(); it != m_texts.cend(); ++it) {
        const qsizetype idAt = text.indexOf(u"id=\"" + it.key() + u'"');
        const qsizetype open = idAt < 0 ? -1 : text.indexOf(u'>', idAt);
        if (open < 0 || text.at(open - 1) == u'/')
            continue;
        const qsizetype close = text.indexOf(u'<', open);
        if (close < 0)
            continue;
        text.replace(open + 1, close - open - 1, it.value().toHtmlEscaped());
    }
    return text;
}

// One pass over the XML: the root, the ids and where their start tags end,
// and the script.
void CharacterFile::Loader::scanDrawing(const QString &text)
{
    int scriptCount = 0, depthInScript = 0;
    bool sawRoot = false;
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (!sawRoot) {
                sawRoot = true;
                readViewBox(xml);
            }
            if (depthInScript > 0) {
                ++depthInScript;
            } else if (xml.namespaceUri() == kScriptNamespace && xml.name() == kScriptElement) {
                ++scriptCount;
                // '<' never occurs inside a start tag, so the last one before
                // its end is where it begins.
                m_scriptStart = int(text.lastIndexOf(u'<', xml.characterOffset() - 1));
                depthInScript = 1;
            } else {
                addPart(text, xml);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depthInScript > 0 && --depthInScript == 0)
                m_scriptEnd = int(xml.characterOffset());
        } else if (token == QXmlStreamReader::Characters && depthInScript > 0) {
            m_script += xml.text();
        }
    }
    if (xml.hasError())
        fail(QStringLiteral("il file non è un documento XML ben formato (riga %1, colonna %2: %3)")
                 .arg(xml.lineNumber())
                 .arg(xml.columnNumber())
                 .arg(xml.errorString()));
    if (!sawRoot)
        fail(QStringLiteral("il documento non è un disegno SVG"));
    if (scriptCount == 0)
        fail(QStringLiteral("manca lo script delle animazioni (l'elemento <%1> nello spazio dei "
                            "nomi %2)")
                 .arg(kScriptElement, kScriptNamespace));
    if (scriptCount > 1)
        fail(QStringLiteral("lo script delle animazioni compare più di una volta"));
    cutScript(text);
}

void CharacterFile::Loader::readViewBox(const QXmlStreamReader &xml)
{
    if (xml.name() != u"svg" || xml.namespaceUri() != u"http://www.w3.org/2000/svg")
        fail(QStringLiteral("il documento non è un disegno SVG"));
    // Numbers apart by blanks or commas. Split by hand: a regular expression
    // would bring its whole matcher into memory for this one attribute.
    const QStringList box = xml.attributes()
                                .value(QStringLiteral("viewBox"))
                                .toString()
                                .replace(QLatin1Char(','), QLatin1Char(' '))
                                .simplified()
                                .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    bool ok = box.size() == 4;
    qreal w = 0, h = 0;
    if (ok) {
        bool okW = false, okH = false;
        w = box.at(2).toDouble(&okW);
        h = box.at(3).toDouble(&okH);
        ok = okW && okH && w > 0 && h > 0 && box.at(0).toDouble() == 0 && box.at(1).toDouble() == 0;
    }
    if (!ok)
        fail(QStringLiteral("il disegno non ha un viewBox valido (\"0 0 larghezza altezza\")"));
    m_file->m_size = QSizeF(w, h);
}

void CharacterFile::Loader::addPart(const QString &text, const QXmlStreamReader &xml)
{
    const QXmlStreamAttributes attrs = xml.attributes();
    const QString id = attrs.value(QStringLiteral("id")).toString();
    if (id.isEmpty())
        return;
    PartTag tag;
    // Attributes go in before the closing "/>" or ">" of the start tag.
    int at = int(xml.characterOffset()) - 1;
    if (at < 0 || at >= text.size() || text.at(at) != u'>')
        fail(QStringLiteral("il disegno non si può analizzare vicino alla parte \"%1\"").arg(id));
    if (at > 0 && text.at(at - 1) == u'/')
        --at;
    tag.insertAt = at;
    const QString style = attrs.value(QStringLiteral("style")).toString();
    tag.ownTransform = attrs.hasAttribute(QStringLiteral("transform"))
        || attrs.hasAttribute(QStringLiteral("display"))
        || attrs.hasAttribute(QStringLiteral("opacity"))
        || attrs.hasAttribute(QStringLiteral("visibility"))
        || style.contains(QStringLiteral("display")) || style.contains(QStringLiteral("opacity"))
        || style.contains(QStringLiteral("visibility"));
    if (m_tags.contains(id))
        fail(QStringLiteral("l'id \"%1\" compare due volte nel disegno").arg(id));
    m_tags.insert(id, tag);
}

// The drawing without its script; the places of the parts follow.
void CharacterFile::Loader::cutScript(const QString &text)
{
    m_file->m_svg = text.left(m_scriptStart) + text.mid(m_scriptEnd);
    const int cut = m_scriptEnd - m_scriptStart;
    for (auto it = m_tags.begin(); it != m_tags.end(); ++it) {
        if (it->insertAt >= m_scriptEnd)
            it->insertAt -= cut;
        else if (it->insertAt >= m_scriptStart)
            it->insertAt = -1; // inside the script: not a part of the drawing
    }
}

QJsonObject CharacterFile::Loader::parseScript() const
{
    QJsonParseError jsonError;
    const QJsonDocument json = QJsonDocument::fromJson(m_script.toUtf8(), &jsonError);
    if (jsonError.error != QJsonParseError::NoError)
        fail(QStringLiteral("lo script delle animazioni non è JSON valido (carattere %1: %2)")
                 .arg(jsonError.offset)
                 .arg(jsonError.errorString()));
    if (!json.isObject())
        fail(QStringLiteral("lo script delle animazioni non è un oggetto JSON"));
    const QJsonObject root = json.object();
    if (root.value(QStringLiteral("format")).toString() != kFormat)
        fail(QStringLiteral("lo script non dichiara il formato \"%1\"").arg(kFormat));
    m_file->m_name = root.value(QStringLiteral("name")).toString();
    return root;
}

QPointF CharacterFile::Loader::point(const QJsonValue &v, const QString &where) const
{
    const QJsonArray a = v.toArray();
    if (!v.isArray() || a.size() != 2 || !a.at(0).isDouble() || !a.at(1).isDouble())
        fail(QStringLiteral("%1 non è una coppia di numeri [x, y]").arg(where));
    return QPointF(a.at(0).toDouble(), a.at(1).toDouble());
}

// A part that poses change must be in the drawing, outside the script, and
// must not carry a transform, display, opacity or visibility of its own.
void CharacterFile::Loader::requirePart(const QString &id, const QString &where) const
{
    const auto it = m_tags.constFind(id);
    if (it == m_tags.cend() || it->insertAt < 0)
        fail(QStringLiteral("%1 usa la parte \"%2\", che non c'è nel disegno").arg(where, id));
    if (it->ownTransform)
        fail(QStringLiteral("la parte \"%1\" ha già transform, display, opacity o visibility "
                            "propri: le pose non possono cambiarla")
                 .arg(id));
}

void CharacterFile::Loader::parseMouth(const QJsonObject &mouth)
{
    for (const QJsonValue &v : mouth.value(QStringLiteral("parts")).toArray()) {
        requirePart(v.toString(), QStringLiteral("la bocca"));
        m_file->m_mouthParts.append(v.toString());
    }
    if (m_file->m_mouthParts.size() < 2)
        fail(QStringLiteral("la bocca ha bisogno di almeno due parti (chiusa e aperta) in "
                            "\"mouth\".\"parts\""));
    m_file->m_mouthPoint
        = point(mouth.value(QStringLiteral("point")), QStringLiteral("\"mouth\".\"point\""));
}

void CharacterFile::Loader::parsePivots(const QJsonObject &parts)
{
    for (auto it = parts.begin(); it != parts.end(); ++it) {
        requirePart(it.key(), QStringLiteral("\"parts\""));
        const QJsonObject part = it.value().toObject();
        if (part.contains(QStringLiteral("pivot")))
            m_pivots.insert(it.key(),
                point(part.value(QStringLiteral("pivot")),
                    QStringLiteral("il perno della parte \"%1\"").arg(it.key())));
    }
}

// Poses, with their bases merged in.
void CharacterFile::Loader::parsePoses(const QJsonObject &poses, const QSvgRenderer &renderer)
{
    if (!poses.contains(QStringLiteral("rest")))
        fail(QStringLiteral("manca la posa \"rest\""));
    m_poseObjects = poses;
    m_renderer = &renderer;
    for (auto it = poses.begin(); it != poses.end(); ++it) {
        if (!it.value().isObject())
            fail(QStringLiteral("la posa \"%1\" non è un oggetto").arg(it.key()));
        QStringList chain;
        resolvePose(it.key(), chain);
    }
    m_renderer = nullptr;
}

CharacterFile::Pose CharacterFile::Loader::resolvePose(const QString &name, QStringList &chain)
{
    if (m_file->m_poses.contains(name))
        return m_file->m_poses.value(name);
    if (chain.contains(name))
        fail(QStringLiteral("la posa \"%1\" è base di sé stessa").arg(name));
    chain.append(name);
    const QJsonObject object = m_poseObjects.value(name).toObject();
    Pose pose;
    const QString base = object.value(QStringLiteral("base")).toString();
    if (!base.isEmpty()) {
        if (!m_poseObjects.contains(base))
            fail(QStringLiteral("la posa \"%1\" parte dalla posa \"%2\", che non c'è")
                     .arg(name, base));
        pose = resolvePose(base, chain);
    }
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.key() == u"base")
            continue;
        const QString where = QStringLiteral("la posa \"%1\"").arg(name);
        requirePart(it.key(), where);
        if (!it.value().isObject())
            fail(QStringLiteral("%1 dice della parte \"%2\" qualcosa che non è un oggetto")
                     .arg(where, it.key()));
        pose.insert(it.key(), parseChange(it.key(), it.value().toObject(), where));
    }
    chain.removeLast();
    m_file->m_poses.insert(name, pose);
    return pose;
}

CharacterFile::Change CharacterFile::Loader::parseChange(
    const QString &part, const QJsonObject &o, const QString &where) const
{
    static const QSet<QString> keys { QStringLiteral("show"), QStringLiteral("rotate"),
        QStringLiteral("move"), QStringLiteral("scale"), QStringLiteral("pivot"),
        QStringLiteral("opacity") };
    for (auto k = o.begin(); k != o.end(); ++k) {
        if (!keys.contains(k.key()))
            fail(QStringLiteral("%1 usa la chiave sconosciuta \"%2\" per la parte \"%3\"")
                     .arg(where, k.key(), part));
    }
    Change change;
    change.pivot = m_pivots.value(part, m_renderer->boundsOnElement(part).center());
    if (o.contains(QStringLiteral("show"))) {
        change.setShown = true;
        change.shown = o.value(QStringLiteral("show")).toBool();
    }
    change.rotate = o.value(QStringLiteral("rotate")).toDouble();
    if (o.contains(QStringLiteral("move")))
        change.move = point(o.value(QStringLiteral("move")), where + QStringLiteral(" (move)"));
    if (o.contains(QStringLiteral("pivot")))
        change.pivot = point(o.value(QStringLiteral("pivot")), where + QStringLiteral(" (pivot)"));
    const QJsonValue scale = o.value(QStringLiteral("scale"));
    if (scale.isDouble())
        change.scale = QPointF(scale.toDouble(), scale.toDouble());
    else if (scale.isArray())
        change.scale = point(scale, where + QStringLiteral(" (scale)"));
    if (o.contains(QStringLiteral("opacity"))) {
        change.setOpacity = true;
        change.opacity = qBound(0.0, o.value(QStringLiteral("opacity")).toDouble(), 1.0);
    }
    return change;
}

void CharacterFile::Loader::parseAnimations(const QJsonObject &animations)
{
    for (auto it = animations.begin(); it != animations.end(); ++it) {
        Animation animation;
        animation.name = it.key();
        const QString where = QStringLiteral("l'animazione \"%1\"").arg(it.key());
        const QJsonArray frames = it.value().toArray();
        if (frames.isEmpty())
            fail(QStringLiteral("%1 non ha fotogrammi").arg(where));
        for (const QJsonValue &v : frames)
            animation.frames.append(parseFrame(v, where));
        const QString key = it.key().toLower();
        if (m_file->m_animations.contains(key))
            fail(QStringLiteral("%1 compare due volte").arg(where));
        m_file->m_animations.insert(key, animation);
    }
    for (const QString &required : requiredAnimations()) {
        if (!m_file->m_animations.contains(required.toLower()))
            fail(QStringLiteral("manca l'animazione \"%1\"").arg(required));
    }
}

CharacterFile::Frame CharacterFile::Loader::parseFrame(
    const QJsonValue &v, const QString &where) const
{
    const QJsonArray f = v.toArray();
    if (f.size() < 2 || f.size() > 3 || !f.at(0).isString() || !f.at(1).isDouble())
        fail(QStringLiteral("%1 ha un fotogramma che non è [posa, millisecondi] "
                            "o [posa, millisecondi, bocca]")
                 .arg(where));
    Frame frame;
    frame.pose = f.at(0).toString();
    frame.ms = f.at(1).toInt();
    if (!m_file->m_poses.contains(frame.pose))
        fail(QStringLiteral("%1 usa la posa \"%2\", che non c'è").arg(where, frame.pose));
    if (frame.ms < kMinFrameMs || frame.ms > 10000)
        fail(QStringLiteral("%1 ha un fotogramma di %2 ms (da %3 a 10000)")
                 .arg(where)
                 .arg(frame.ms)
                 .arg(kMinFrameMs));
    if (f.size() == 3) {
        frame.mouth = f.at(2).toInt(-2);
        if (frame.mouth < 0 || frame.mouth >= m_file->m_mouthParts.size())
            fail(QStringLiteral("%1 chiede una bocca che non c'è").arg(where));
    }
    return frame;
}

// Where the attributes of every changed part go.
void CharacterFile::Loader::placeAttributes()
{
    for (const Pose &pose : std::as_const(m_file->m_poses)) {
        for (auto it = pose.begin(); it != pose.end(); ++it)
            m_file->m_insertAt.insert(it.key(), m_tags.value(it.key()).insertAt);
    }
    for (const QString &part : std::as_const(m_file->m_mouthParts))
        m_file->m_insertAt.insert(part, m_tags.value(part).insertAt);
}

std::shared_ptr<const CharacterFile> CharacterFile::load(
    const QString &path, const QHash<QString, QString> &texts)
{
    return Loader(path, texts).load();
}

} // namespace Zentovia
