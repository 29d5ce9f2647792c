#pragma once

#include <QList>
#include <QPainterPath>
#include <QRect>
#include <QWidget>

namespace Zentovia {

// The speech balloon: a frameless window beside or above the character with
// large rounded text, revealed word by word. Long texts turn over a page
// at a time, a few lines each, so the balloon stays small. Its text is
// its accessible name, announced to assistive technology when it opens.
class Balloon : public QWidget
{
    Q_OBJECT
public:
    explicit Balloon(QWidget *parent = nullptr);

    static constexpr int kMaxLines = 3;
    static constexpr int kTextWidth = 320;

    // Opens the balloon on a text, nothing revealed yet; figure is the
    // character's window on screen and mouth the point it talks from.
    void open(const QString &text, const QRect &figure, const QPoint &mouth);
    // Reveals the text up to the end of the character position.
    void revealUpTo(int end);
    void revealAll();
    // Follows the character when it moves or changes size.
    void place(const QRect &figure, const QPoint &mouth);

    QString text() const { return m_text; }
    int revealed() const { return m_revealed; }
    int page() const { return m_page; }
    int pageCount() const;
    // The tail's side: the balloon is above the character, or beside it.
    bool isAbove() const { return m_above; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    struct Word
    {
        int start, end; // in m_text
        int line;
        QRectF rect;    // within its page, text coordinates
    };
    void layOut();
    void updateMask();
    QRectF bodyRect() const;
    QPainterPath outline() const;

    QString m_text;
    QList<Word> m_words;
    int m_lines = 0;
    int m_lineHeight = 0;
    int m_revealed = 0; // characters
    int m_page = 0;
    bool m_above = true;
    bool m_tailLeft = false; // beside: the tail points left (balloon right of figure)
    QPoint m_tailTip;        // in widget coordinates
    QFont m_font;
};

} // namespace Zentovia
