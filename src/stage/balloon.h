#pragma once

#include <QList>
#include <QPainterPath>
#include <QRect>
#include <QWidget>

namespace Zentovia {

class Stage;

// The speech balloon: a child of the stage's window beside or above the
// character, with large rounded text revealed word by word. It stays inside
// the window and off the widgets the stage keeps clear, narrowing its lines
// or showing fewer at a time where room is short; long texts turn over a
// page at a time. Its text is its accessible name, announced to assistive
// technology when it opens. It never takes a click or the keyboard.
class Balloon : public QWidget
{
    Q_OBJECT
public:
    explicit Balloon(const Stage &stage);

    static constexpr int kMaxLines = 3;
    static constexpr int kTextWidth = 320;
    static constexpr int kMinTextWidth = 160;

    // Where the balloon stands, as seen from the character.
    enum class Side { Right, Above, Left };

    // Opens the balloon on a text, nothing revealed yet; figure is the
    // character's rectangle in the window and mouth the point it talks from.
    void open(const QString &text, const QRect &figure, const QPoint &mouth);
    // Reveals the text up to the end of the character position.
    void revealUpTo(int end);
    void revealAll();
    // Follows the character when it moves or changes size.
    void place(const QRect &figure, const QPoint &mouth);

    QString text() const { return m_text; }
    int revealed() const { return m_revealed; }
    // The words drawn now, joined by single spaces.
    QString shownText() const;
    int page() const { return m_page; }
    int pageCount() const;
    Side side() const { return m_side; }
    int linesPerPage() const { return m_maxLines; }

protected:
    void paintEvent(QPaintEvent *) override;

private:
    struct Word
    {
        int start, end; // in m_text
        int line;
        QRectF rect; // within its page, text coordinates
    };
    struct Spot
    {
        Side side;
        int lines;
        int width;
        QRect rect;
    };
    void layOut();
    bool isShown(const Word &word) const;
    QSize totalSize() const;
    QRectF bodyRect() const;
    QPainterPath outline() const;
    // The balloon's rectangle on one side, slid by offset along that side.
    QRect rectAt(const QRect &figure, const QPoint &mouth, int offset) const;
    Spot bestSpot(const QRect &figure, const QPoint &mouth);
    void apply(const Spot &spot, const QPoint &mouth);

    const Stage &m_stage;
    QString m_text;
    QList<Word> m_words;
    int m_lines = 0;
    int m_lineHeight = 0;
    int m_revealed = 0; // characters
    int m_page = 0;
    int m_maxLines = kMaxLines;
    int m_textWidth = kTextWidth;
    Side m_side = Side::Right;
    QPoint m_tailTip; // in widget coordinates
    QFont m_font;
};

} // namespace Zentovia
