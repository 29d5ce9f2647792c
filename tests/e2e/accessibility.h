#pragma once

// What a screen reader reads of the program: its accessible objects as the
// AT-SPI registry on the session bus gives them, the way Orca reads them.

#include <QList>
#include <QString>

#include <optional>

namespace Zentovia::EndToEnd {

struct Accessible
{
    QString role; // AT-SPI's role name: "text", "push button", "label"
    QString name;
    QString description;
    QString text; // what a text field holds
};

// Every object of the application with this name, its top first; nothing
// while the registry does not list it.
std::optional<QList<Accessible>> readAccessible(const QString &application);

} // namespace Zentovia::EndToEnd
