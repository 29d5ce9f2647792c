#pragma once

#include <QComboBox>

namespace Zentovia {

// A chooser that a screen reader names by what it chooses, then its value
// ("Quaderno di: Anna"). Qt's own chooser on Linux gives its value alone as
// its name.
class NamedComboBox : public QComboBox
{
    Q_OBJECT
public:
    NamedComboBox(const QString &name, QWidget *parent = nullptr);
};

} // namespace Zentovia
