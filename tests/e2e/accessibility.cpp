#include "accessibility.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

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

void walk(const QDBusConnection &bus, const Node &node, QList<Accessible> &into)
{
    into.append({ ask(bus, node, "org.a11y.atspi.Accessible", "GetRoleName").toString(),
        property(bus, node, "Name"), property(bus, node, "Description"),
        ask(bus, node, "org.a11y.atspi.Text", "GetText", { 0, -1 }).toString() });
    for (const Node &child : children(bus, node))
        walk(bus, child, into);
}

} // namespace

std::optional<QList<Accessible>> readAccessible(const QString &application)
{
    // The accessibility bus, which the session bus names.
    const QString address = ask(QDBusConnection::sessionBus(),
        { QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus") }, "org.a11y.Bus",
        "GetAddress")
                                .toString();
    const QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("a11y"));
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

} // namespace Zentovia::EndToEnd
