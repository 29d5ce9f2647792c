// The notebook's window: a child's page printed, on a printer or into a PDF.
#include "notebookview/notebookwindow.h"

#include "core/title.h"
#include "notebookview/factgridview.h"
#include "notebookview/sansfont.h"
#include "telling/telling.h"

#include <QComboBox>
#include <QDate>
#include <QPagedPaintDevice>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace Zentovia {

void NotebookWindow::askToPrint()
{
    m_pendingPrint = m_choosePrinter();
    // The picture read first, when it is not yet.
    if (m_pendingPrint && m_chartState == Chart::Stale)
        readSessions();
    printWhenReady();
}

void NotebookWindow::printWhenReady()
{
    if (!m_pendingPrint || !m_gridReady || m_chartState != Chart::Ready)
        return;
    const std::unique_ptr<QPagedPaintDevice> device = std::move(m_pendingPrint);
    if (!print(*device))
        showProblem(u"Non riesco a stampare: controlla la stampante e riprova."_s);
}

bool NotebookWindow::print(QPagedPaintDevice &device)
{
    if (child().isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRectF page(0, 0, device.width(), device.height());
    const qreal line = page.height() / 36;
    QFont font = sansFont(line, true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(page.left(), page.top(), page.width(), line * 1.5),
        Qt::AlignLeft | Qt::AlignVCenter, u"Quaderno dei progressi di %1"_s.arg(child()));
    font.setBold(false);
    font.setPixelSize(qRound(line * 0.6));
    painter.setFont(font);
    painter.drawText(QRectF(page.left(), page.top() + line * 1.5, page.width(), line),
        Qt::AlignLeft | Qt::AlignVCenter,
        u"%1 – stampato il %2 – tempo per rispondere: %3"_s.arg(programTitle(),
            QDate::currentDate().toString(u"dd/MM/yyyy"_s), m_seconds->currentText()));
    const qreal gridTop = page.top() + line * 3.2;
    FactGridView::paint(
        painter, QRectF(page.left(), gridTop, page.width(), page.height() * 0.55), m_grid->grid());
    const qreal chartTop = gridTop + page.height() * 0.57;
    ProgressChart::paint(painter,
        QRectF(page.left(), chartTop, page.width(), page.bottom() - chartTop), m_chart->sessions());
    return painter.end();
}

} // namespace Zentovia
