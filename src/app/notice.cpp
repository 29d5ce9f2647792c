#include "app/notice.h"

#include <QAccessibleWidget>

namespace Zentovia {

namespace {

QAccessibleInterface *asNotification(const QString &, QObject *object)
{
    if (auto *notice = qobject_cast<Notice *>(object))
        return new QAccessibleWidget(notice, QAccessible::Notification);
    return nullptr;
}

} // namespace

Notice::Notice(QWidget *parent)
    : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(asNotification);
        return true;
    }();
    Q_UNUSED(installed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 1, 1);
    hide();
}

void Notice::say(const QString &text)
{
    hide();
    setAccessibleName(text);
    show();
}

} // namespace Zentovia
