#include "notebookview/namedcombobox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

namespace Zentovia {

namespace {

class NamedComboAccessible : public QAccessibleWidget
{
public:
    explicit NamedComboAccessible(NamedComboBox *combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox)
    { }

    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }

    // "Quaderno di: Anna": what it chooses, then its value, which Orca hears
    // in the name as it does with any chooser.
    QString text(QAccessible::Text t) const override
    {
        const QString value = combo()->currentText();
        if (t == QAccessible::Name)
            return value.isEmpty() ? combo()->accessibleName()
                                   : combo()->accessibleName() + u": " + value;
        if (t == QAccessible::Value)
            return value;
        return QAccessibleWidget::text(t);
    }
    // Its label is in its name: not said twice.
    QList<QPair<QAccessibleInterface *, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override
    {
        auto all = QAccessibleWidget::relations(match);
        all.removeIf([](const auto &relation) { return relation.second & QAccessible::Label; });
        return all;
    }
    // Its list of choices, as Qt's own chooser has it.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == combo()->view() ? 0 : -1;
    }
    QStringList actionNames() const override { return { showMenuAction(), pressAction() }; }
    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            combo()->showPopup();
    }
};

QAccessibleInterface *namedComboFactory(const QString &key, QObject *object)
{
    if (key == QLatin1StringView(NamedComboBox::staticMetaObject.className()))
        return new NamedComboAccessible(static_cast<NamedComboBox *>(object));
    return nullptr;
}

} // namespace

NamedComboBox::NamedComboBox(const QString &name, QWidget *parent)
    : QComboBox(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(namedComboFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setAccessibleName(name);
}

} // namespace Zentovia
