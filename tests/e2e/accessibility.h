#pragma once

// What a screen reader reads of the program: its accessible objects as the
// AT-SPI registry on the session bus gives them, the way Orca reads them.

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

#include <optional>

namespace Zentovia::EndToEnd {

struct Accessible
{
    QString role; // AT-SPI's role name: "text", "push button", "label"
    QString name;
    QString description;
    QString text; // what a text field holds
    QRect extents; // on the screen
};

// Every object of the application with this name, its top first; nothing
// while the registry does not list it.
std::optional<QList<Accessible>> readAccessible(const QString &application);

// Every event of the accessibility bus, heard as a screen reader hears them:
// registered for all of them with the registry, so that programs send them.
class BusEvents : public QObject
{
    Q_OBJECT
public:
    struct Event
    {
        QString kind; // "TextChanged", "PropertyChange", ...
        QString object; // the sender's bus name and the object's path
        QString said; // every text the event carries, one a line
    };

    BusEvents();
    QList<Event> take() { return std::exchange(m_events, {}); }
    // The accessible name of an event's object, while it is there.
    QString nameOf(const Event &event) const;

private Q_SLOTS:
    void heard(const QDBusMessage &message);

private:
    QDBusConnection m_bus;
    QList<Event> m_events;
};

} // namespace Zentovia::EndToEnd
