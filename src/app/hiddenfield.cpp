#include "app/hiddenfield.h"

namespace Zentovia {

HiddenField::HiddenField(const QString &name, const QString &text, QObject *parent)
    : QObject(parent)
    , m_text(text)
{
    setObjectName(name);
}

} // namespace Zentovia
