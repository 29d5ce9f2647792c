#include "app/screenfit.h"

#include "app/keypad.h"
#include "app/tavolaform.h"
#include "app/tavolakeypad.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/private/qhighdpiscaling_p.h>

#include <algorithm>

namespace Zentovia {

qreal ScreenFit::scale(const QSize &window, const QSize &available, int besideFrom, int besideWidth)
{
    if (window.isEmpty() || available.isEmpty())
        return 1.0;
    qreal across = qreal(available.width()) / window.width();
    if (besideFrom > 0 && besideWidth > 0)
        across = std::min(across, qreal(available.width() - besideWidth) / besideFrom);
    const qreal down = qreal(available.height()) / (window.height() + TitleBar);
    return std::clamp(std::min(across, down), 0.25, 1.0);
}

void ScreenFit::apply(qreal scale)
{
    if (scale >= 1.0)
        return;
    // The desktop's own scale, as Qt read it at start-up, made smaller. Qt
    // has no public way to change it once running, and no window is made
    // yet: the dialogs and the form come out smaller alike.
    bool ok = false;
    qreal desktop = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    if (!ok || desktop <= 0)
        desktop = 1.0;
    QHighDpiScaling::setGlobalFactor(desktop * scale);
}

qreal ScreenFit::fit(const QSize &window, const QScreen *screen, int besideFrom, int besideWidth)
{
    const qreal share
        = screen ? scale(window, screen->availableSize(), besideFrom, besideWidth) : 1.0;
    apply(share);
    return share;
}

qreal ScreenFit::fitContest(bool withKeypad)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const auto [left, width] = withKeypad ? TavolaKeypad::room(screen) : std::pair(0, 0);
    return fit(TavolaForm::leastSize(), screen, left, width);
}

} // namespace Zentovia
