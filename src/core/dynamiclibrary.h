#pragma once

#include <QLibrary>
#include <QString>

namespace Zentovia {

// A system library opened by its name and major version when it is first
// needed rather than when the program starts, so that the name box does not
// wait for libraries only the voice or the class's server use. Its functions are looked up by
// name; the first one missing leaves the library unusable, with the reason.
class DynamicLibrary
{
public:
    DynamicLibrary(const QString &name, int version);

    bool isLoaded() const { return m_error.isEmpty(); }
    // Why the library or one of its functions could not be had.
    QString errorString() const { return m_error; }

    // Sets fn to the function named symbol; a miss is remembered.
    template<typename Function>
    void resolve(Function &fn, const char *symbol)
    {
        fn = reinterpret_cast<Function>(lookUp(symbol));
    }

private:
    QFunctionPointer lookUp(const char *symbol);

    QLibrary m_library;
    QString m_error;
};

} // namespace Zentovia
