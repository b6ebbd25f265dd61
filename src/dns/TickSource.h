#pragma once

#include <QObject>
#include <QTimer>

// Where a run takes its ticks from: Delaytimer in the program, a hand-stepped source in tests.
class TickSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    void tick();
};

class TimerTickSource final : public TickSource
{
    Q_OBJECT

public:
    explicit TimerTickSource(QObject* parent = nullptr);
    void start(int intervalMs) override;
    void stop() override;

private:
    QTimer m_timer;
};
