#include "screen.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

#include <limits>
#include <vector>

namespace Zentovia::EndToEnd {

namespace {

constexpr QRgb kAnswerYellow = 0xFFFFFF80;
constexpr QRgb kBoxGrey = 0xFFEFEFEF; // the boxes' background in the Fusion style
constexpr QRgb kRobe = 0xFF4B4FD8; // the flat middle of the wizard's robe
constexpr QRgb kCyan = 0xFF00FFFF;

QRect clipped(const QImage &screen, const QRect &rect)
{
    return rect.intersected(screen.rect());
}

} // namespace

QImage grabScreen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
}

std::optional<QRect> answerBox(const QImage &screen)
{
    // Rows holding a long run of the box's yellow; the wizard may stand over
    // part of its top rows.
    QRect found;
    for (int y = 0; y < screen.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        int run = 0;
        for (int x = 0; x <= screen.width(); ++x) {
            if (x < screen.width() && line[x] == kAnswerYellow) {
                ++run;
                continue;
            }
            if (run >= 150)
                found = found.united(QRect(x - run, y, run, 1));
            run = 0;
        }
    }
    if (found.width() < 300 || found.height() < 40)
        return std::nullopt;
    return found;
}

std::optional<QRect> box(const QImage &screen)
{
    const int w = screen.width();
    const int h = screen.height();
    // Only grey that is thick both ways counts: a window's frame may be drawn
    // in the same grey, but thin, and a box laid across it must not run into
    // it. A pixel is thick when the grey runs through it for kThick pixels
    // or more across and down.
    constexpr int kThick = 8;
    std::vector<bool> grey(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        for (int x = 0; x < w; ++x)
            grey[size_t(y) * w + x] = line[x] == kBoxGrey;
    }
    const auto isGrey = [&](int x, int y) { return grey[size_t(y) * w + x]; };
    std::vector<int> across(size_t(w) * size_t(h), 0);
    std::vector<int> down(size_t(w) * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w;) {
            int end = x;
            while (end < w && isGrey(end, y))
                ++end;
            for (int i = x; i < end; ++i)
                across[size_t(y) * w + i] = end - x;
            x = end + 1;
        }
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h;) {
            int end = y;
            while (end < h && isGrey(x, end))
                ++end;
            for (int i = y; i < end; ++i)
                down[size_t(i) * w + x] = end - y;
            y = end + 1;
        }
    const auto thick = [&](size_t at) { return across[at] >= kThick && down[at] >= kThick; };

    std::vector<bool> seen(size_t(w) * size_t(h), false);
    std::vector<QPoint> stack;
    std::optional<QRect> best;
    for (int y0 = 0; y0 < h; ++y0) {
        for (int x0 = 0; x0 < w; ++x0) {
            if (seen[size_t(y0) * w + x0] || !thick(size_t(y0) * w + x0))
                continue;
            // One connected grey area, filled from here.
            QRect bounds(x0, y0, 1, 1);
            qint64 count = 0;
            stack.assign(1, QPoint(x0, y0));
            seen[size_t(y0) * w + x0] = true;
            while (!stack.empty()) {
                const QPoint p = stack.back();
                stack.pop_back();
                ++count;
                bounds = bounds.united(QRect(p, QSize(1, 1)));
                for (const QPoint &n :
                    { p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1) }) {
                    if (n.x() < 0 || n.y() < 0 || n.x() >= w || n.y() >= h)
                        continue;
                    const size_t at = size_t(n.y()) * w + n.x();
                    if (!seen[at] && thick(at)) {
                        seen[at] = true;
                        stack.push_back(n);
                    }
                }
            }
            const bool boxSized = bounds.width() >= 150 && bounds.width() <= 700
                && bounds.height() >= 60 && count >= 5000;
            if (boxSized
                && (!best || bounds.width() * bounds.height() > best->width() * best->height()))
                best = bounds;
        }
    }
    return best;
}

std::optional<QRect> areaOf(const QImage &screen, QRgb colour, int atLeast)
{
    QRect found;
    int count = 0;
    for (int y = 0; y < screen.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        for (int x = 0; x < screen.width(); ++x)
            if (line[x] == colour && ++count)
                found |= QRect(x, y, 1, 1);
    }
    return count >= atLeast ? std::optional(found) : std::nullopt;
}

int pixelsOf(const QImage &screen, const QRect &within, QRgb colour)
{
    const QRect r = clipped(screen, within);
    int count = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            count += line[x] == colour;
    }
    return count;
}

int wizardPixels(const QImage &screen, const QRect &within)
{
    const QRect r = clipped(screen, within);
    int count = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            count += qAbs(qRed(line[x]) - qRed(kRobe)) <= 3
                && qAbs(qGreen(line[x]) - qGreen(kRobe)) <= 3
                && qAbs(qBlue(line[x]) - qBlue(kRobe)) <= 3;
        }
    }
    return count;
}

std::optional<int> readMultiplier(const QImage &screen, const QRect &answer)
{
    // The second factor's box stands 296 px right of the answer box's left
    // edge, at the window's top; its top-left corner is cyan with no cyan
    // left of it or above it.
    auto isCyan
        = [&](int x, int y) { return screen.rect().contains(x, y) && screen.pixel(x, y) == kCyan; };
    const QPoint expected = answer.topLeft() + QPoint(296, -340);
    std::optional<QPoint> corner;
    for (int y = expected.y() - 40; y < expected.y() + 40 && !corner; ++y)
        for (int x = expected.x() - 40; x < expected.x() + 40 && !corner; ++x)
            if (isCyan(x, y) && !isCyan(x - 1, y) && !isCyan(x, y - 1) && isCyan(x + 20, y + 60))
                corner = QPoint(x, y);
    if (!corner)
        return std::nullopt;

    // Its digits against the same digits drawn with the same font.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(48);
    font.setBold(true);
    std::optional<int> best;
    double bestMismatch = std::numeric_limits<double>::max();
    for (int candidate = 1; candidate <= 10; ++candidate) {
        QLabel label(QString::number(candidate));
        label.setFont(font);
        label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QPalette pal = label.palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        pal.setColor(QPalette::Window, QColor::fromRgb(kCyan));
        label.setPalette(pal);
        label.setAutoFillBackground(true);
        label.resize(label.fontMetrics().horizontalAdvance(label.text()) + 4, 79);
        const QImage drawn = label.grab().toImage();
        qint64 mismatch = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                const QPoint at = *corner + QPoint(x, y);
                const QRgb a = drawn.pixel(x, y);
                const QRgb b = screen.rect().contains(at) ? screen.pixel(at) : 0xFFFFFFFF;
                mismatch += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b))
                    + qAbs(qBlue(a) - qBlue(b));
            }
        const double perPixel = double(mismatch) / (drawn.width() * drawn.height());
        if (perPixel < bestMismatch) {
            bestMismatch = perPixel;
            best = candidate;
        }
    }
    if (bestMismatch > 10.0)
        return std::nullopt;
    return best;
}

} // namespace Zentovia::EndToEnd
