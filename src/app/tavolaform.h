#pragma once

#include "app/roles.h"

#include <QMainWindow>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace Zentovia {

class HiddenField;
class Surface;

// The window's controls, as the form lays them out: every control carries
// its form's name as its object name (see roles.h). Tavola binds them to the
// contest.
class TavolaForm : public QMainWindow
{
    Q_OBJECT
public:
    // The window alone: its caption and its drawing surface.
    explicit TavolaForm(QWidget *parent = nullptr);

    bool hasControls() const { return m_answerBox != nullptr; }

    // The window's least size: the form and its menu bar.
    static QSize leastSize();

    // The window's caption: the title pushed towards the middle of the
    // title bar, then a contact address.
    static QString caption();
    // The caption of a ripasso's window.
    static QString practiceCaption();

protected:
    // Builds every control, once. Apart from the window so that the name
    // box, the first thing the child sees, does not wait for thirty controls
    // with their fonts and pictures: they are built while it is open.
    void buildControls();
    // Sets a label's text; labels that hold numbers or names grow to fit it.
    void setCaption(QLabel *label, const QString &text);
    void setQuestionLineVisible(bool visible);
    // "Ripeti", between the two buttons, for a child with a time of their
    // own and in a ripasso; built once, when first asked for.
    QPushButton *repeatButton();
    // The score panel's three counts.
    void showCounts(const QString &correct, const QString &wrong, const QString &total);

    Surface *m_surface = nullptr;

    // The score panel.
    QLabel *m_correctCount = nullptr;
    QLabel *m_wrongCount = nullptr;
    QLabel *m_totalCount = nullptr;
    // The verdict and the clock.
    QLabel *m_verdict = nullptr;
    QLabel *m_clock = nullptr;
    // The answer box and the buttons.
    QLineEdit *m_answerBox = nullptr;
    QPushButton *m_nextButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_repeatButton = nullptr;
    // The player and the record.
    QLabel *m_player = nullptr;
    QLabel *m_recordHolder = nullptr;
    QLabel *m_recordPoints = nullptr;
    // The question line, hidden until the child types.
    QLabel *m_factor = nullptr;
    QLabel *m_times = nullptr;
    QLabel *m_multiplier = nullptr;
    // Hidden fields that mirror the question and the player, and the hidden
    // button that judges the answer.
    HiddenField *m_factorField = nullptr;
    HiddenField *m_multiplierWords = nullptr;
    HiddenField *m_productField = nullptr;
    HiddenField *m_playerField = nullptr;
    QPushButton *m_checkButton = nullptr;
    // The countdown's one-second tick.
    QTimer *m_ticker = nullptr;

private:
    void buildScorePanel();
    void buildClock();
    void buildAnswerAndButtons();
    void buildRecordLine();
    void buildQuestionLine();
    void buildHiddenControls();
    void buildMenus();
};

} // namespace Zentovia
