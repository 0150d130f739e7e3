#include "pausa.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

void Pausa()
{
    constexpr qint64 kWaitMs = 100;
    QElapsedTimer clock;
    clock.start();
    // The loop sleeps until an event or the timer comes, instead of spinning.
    while (!clock.hasExpired(kWaitMs)) {
        QEventLoop loop;
        QTimer::singleShot(int(kWaitMs - clock.elapsed()) + 1, Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}
