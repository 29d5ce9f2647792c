#include "accessibility.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QStringList>

namespace Zentovia::EndToEnd {

namespace {

using Node = std::pair<QString, QString>; // the bus name and the object's path

QVariant ask(const QDBusConnection &bus, const Node &node, const char *interface,
    const char *method, const QVariantList &arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        node.first, node.second, QString::fromLatin1(interface), QString::fromLatin1(method));
    message.setArguments(arguments);
    const QDBusMessage reply = bus.call(message, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0) : QVariant();
}

QString property(const QDBusConnection &bus, const Node &node, const char *name)
{
    return ask(bus, node, "org.freedesktop.DBus.Properties", "Get",
        { QStringLiteral("org.a11y.atspi.Accessible"), QString::fromLatin1(name) })
        .value<QDBusVariant>()
        .variant()
        .toString();
}

QList<Node> children(const QDBusConnection &bus, const Node &node)
{
    QList<Node> found;
    const QVariant reply = ask(bus, node, "org.a11y.atspi.Accessible", "GetChildren");
    if (!reply.isValid())
        return found;
    const QDBusArgument list = reply.value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString service;
        QDBusObjectPath path;
        list.beginStructure();
        list >> service >> path;
        list.endStructure();
        found.append({ service, path.path() });
    }
    list.endArray();
    return found;
}

QRect extents(const QDBusConnection &bus, const Node &node)
{
    QDBusMessage message = QDBusMessage::createMethodCall(node.first, node.second,
        QStringLiteral("org.a11y.atspi.Component"), QStringLiteral("GetExtents"));
    message.setArguments({ quint32(0) }); // on the screen
    const QDBusMessage reply = bus.call(message, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    int x = 0, y = 0, width = 0, height = 0;
    const QDBusArgument box = reply.arguments().at(0).value<QDBusArgument>();
    box.beginStructure();
    box >> x >> y >> width >> height;
    box.endStructure();
    return { x, y, width, height };
}

QDBusConnection accessibilityBus(const QString &name)
{
    // The accessibility bus, which the session bus names.
    const QString address = ask(QDBusConnection::sessionBus(),
        { QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus") }, "org.a11y.Bus",
        "GetAddress")
                                .toString();
    return QDBusConnection::connectToBus(address, name);
}

void walk(const QDBusConnection &bus, const Node &node, QList<Accessible> &into)
{
    into.append({ ask(bus, node, "org.a11y.atspi.Accessible", "GetRoleName").toString(),
        property(bus, node, "Name"), property(bus, node, "Description"),
        ask(bus, node, "org.a11y.atspi.Text", "GetText", { 0, -1 }).toString(),
        extents(bus, node) });
    for (const Node &child : children(bus, node))
        walk(bus, child, into);
}

} // namespace

std::optional<QList<Accessible>> readAccessible(const QString &application)
{
    const QDBusConnection bus = accessibilityBus(QStringLiteral("a11y"));
    const Node registry { QStringLiteral("org.a11y.atspi.Registry"),
        QStringLiteral("/org/a11y/atspi/accessible/root") };
    for (const Node &program : children(bus, registry)) {
        if (property(bus, program, "Name") != application)
            continue;
        QList<Accessible> found;
        walk(bus, program, found);
        return found;
    }
    return std::nullopt;
}

BusEvents::BusEvents()
    : m_bus(accessibilityBus(QStringLiteral("a11y-events")))
{
    // The events of objects: texts, names, descriptions, states.
    m_bus.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"), QString(),
        this, SLOT(heard(QDBusMessage)));
    // A program sends the events that some screen reader has asked for.
    QDBusMessage registration = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("/org/a11y/atspi/registry"),
        QStringLiteral("org.a11y.atspi.Registry"), QStringLiteral("RegisterEvent"));
    registration.setArguments({ QStringLiteral("object:"), QStringList(), QString() });
    m_bus.call(registration, QDBus::Block, 5000);
}

void BusEvents::heard(const QDBusMessage &message)
{
    if (message.type() != QDBusMessage::SignalMessage)
        return;
    QStringList said;
    for (const QVariant &argument : message.arguments()) {
        const QVariant value = argument.canConvert<QDBusVariant>()
            ? argument.value<QDBusVariant>().variant()
            : argument;
        if (value.canConvert<QString>())
            said << value.toString();
    }
    m_events.append({ message.member(), message.service() + message.path(), said.join(u'\n') });
}

QString BusEvents::nameOf(const Event &event) const
{
    const qsizetype slash = event.object.indexOf(u'/');
    return Zentovia::EndToEnd::property(
        m_bus, { event.object.left(slash), event.object.mid(slash) }, "Name");
}

} // namespace Zentovia::EndToEnd
