#pragma once

#include "app/picturelogin.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QToolButton;

namespace Zentovia {

// The pad a child of the class list gives their picture code on: the nine
// pictures, each a button named with the picture's name and big enough for
// a finger, keys 1 to 9 too (1 the top left picture, 9 the bottom right),
// Backspace takes back the last one; and "Non me lo ricordo". The third
// picture hands the code to the login; the pad closes once the login has
// settled: right, given up, or no server.
class PicturePad : public QDialog
{
    Q_OBJECT

public:
    // keySide: the side of a keypad's digit key on this screen
    // (Keypad::keySide); a picture is bigger still.
    PicturePad(PictureLogin &login, int keySide, QWidget *parent = nullptr);

    // What the wizard says, and the pad shows, as it opens.
    static QString sentence();
    // After a wrong code.
    static QString again();
    // The pictures given so far, as digits.
    const QString &given() const { return m_given; }
    // A picture tapped or its key pressed, 1 to 9.
    void pick(int digit);
    void takeBack();

Q_SIGNALS:
    // A line for the wizard to say: a wrong code.
    void said(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void checked(PictureLogin::Outcome outcome);
    void showGiven();

    PictureLogin &m_login;
    QString m_given;
    QLabel *m_words = nullptr;
    QList<QLabel *> m_slots;
    QList<QToolButton *> m_pictures;
    QPushButton *m_forgotten = nullptr;
    int m_slotSide = 0;
};

} // namespace Zentovia
