#pragma once

#include <QString>

namespace Zentovia {

class Character;

// The host of the program's characters: loads them from character files and
// hands them out by id. The window talks to characters only through this.
class Agent
{
public:
    virtual ~Agent() = default;

    // Loads the character file named by key under the given id. Raises a
    // Failure naming the file and the fault when it cannot be loaded.
    virtual void Load(const QString &id, const QString &key) = 0;
    // The character loaded under id; raises a Failure for an unknown id.
    virtual Character &Item(const QString &id) = 0;
};

} // namespace Zentovia
