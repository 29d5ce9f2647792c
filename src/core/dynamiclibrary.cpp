#include "core/dynamiclibrary.h"

namespace Zentovia {

DynamicLibrary::DynamicLibrary(const QString &name, int version)
    : m_library(name, version)
{
    if (!m_library.load())
        m_error = m_library.errorString();
}

QFunctionPointer DynamicLibrary::lookUp(const char *symbol)
{
    if (!isLoaded())
        return nullptr;
    const QFunctionPointer fn = m_library.resolve(symbol);
    if (!fn)
        m_error = m_library.errorString();
    return fn;
}

} // namespace Zentovia
