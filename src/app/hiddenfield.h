#pragma once

#include <QObject>
#include <QString>

namespace Zentovia {

// A value the form keeps by its form's name but never shows: the question,
// its product and the player. No widget, so no accessible object: a screen
// reader or any tool listening on the accessibility bus can neither ask it
// for its text nor hear it change, and the product stays unknown until the
// verdict.
class HiddenField : public QObject
{
    Q_OBJECT
public:
    HiddenField(const QString &name, const QString &text, QObject *parent);

    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

private:
    QString m_text;
};

} // namespace Zentovia
