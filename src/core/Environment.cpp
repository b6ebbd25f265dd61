#include "core/Environment.h"

#include <QElapsedTimer>

Environment& Environment::current()
{
    static Environment environment;
    return environment;
}

qint64 Environment::monotonicMs() const
{
    if (clock)
        return clock();
    static QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}
