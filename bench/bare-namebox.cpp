// The floor of the start-up and memory figures: a bare Qt Widgets program
// that shows the same name box as Zentovia and nothing else.
#include <QApplication>
#include <QInputDialog>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QInputDialog box;
    box.setWindowTitle(QStringLiteral("Zentovia"));
    box.setLabelText(QStringLiteral("Come ti chiami?"));
    box.setInputMode(QInputDialog::TextInput);
    return box.exec() == QDialog::Accepted ? 0 : 1;
}
