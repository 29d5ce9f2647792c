#pragma once

#include <QMainWindow>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace Zentovia {

class Surface;

// The window's controls, as the form lays them out: every control carries
// its name as its object name. The contest's handlers live in Tavola.
class TavolaForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TavolaForm(QWidget *parent = nullptr);

    // The window's caption: the title pushed towards the middle of the
    // title bar, then a contact address.
    static QString caption();

protected:
    // Sets a label's text; labels that hold numbers or names grow to fit it.
    void setCaption(QLabel *label, const QString &text);
    void setQuestionLineVisible(bool visible);

    Surface *m_surface = nullptr;

    // The score panel.
    QLabel *m_Label6 = nullptr;
    QLabel *m_lblScore = nullptr;
    QLabel *m_Label1 = nullptr;
    QLabel *m_lblScore1 = nullptr;
    QLabel *m_Label3 = nullptr;
    QLabel *m_lblScore2 = nullptr;
    // Messages and the clock.
    QLabel *m_lblMessage = nullptr;
    QLabel *m_Label11 = nullptr;
    QLabel *m_lblconto = nullptr;
    QLabel *m_Image1 = nullptr;
    // The answer box and the buttons.
    QLineEdit *m_Text3 = nullptr;
    QPushButton *m_cmdNext = nullptr;
    QPushButton *m_cmdExit1 = nullptr;
    // The player and the record.
    QLabel *m_Label14 = nullptr;
    QLabel *m_lblnome1 = nullptr;
    QLabel *m_Label12 = nullptr;
    QLabel *m_lblnome = nullptr;
    QLabel *m_Label13 = nullptr;
    QLabel *m_lblpunti = nullptr;
    // The question line, hidden until the child types.
    QLabel *m_lblNum1 = nullptr;
    QLabel *m_Label10 = nullptr;
    QLabel *m_lblNum2 = nullptr;
    // Hidden fields that carry values between the handlers.
    QLineEdit *m_Text1 = nullptr;
    QLineEdit *m_Text6 = nullptr;
    QLineEdit *m_Text7 = nullptr;
    QLineEdit *m_Txtnome1 = nullptr;
    QPushButton *m_Command3 = nullptr;
    // The countdown's one-second tick.
    QTimer *m_Timer1 = nullptr;

private:
    void buildMenus();
};

} // namespace Zentovia
