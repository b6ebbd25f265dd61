#pragma once

#include "dns/TickSource.h"

// Ticks when the test says so.
class ManualTickSource final : public TickSource
{
    Q_OBJECT

public:
    using TickSource::TickSource;
    void start(int) override { running = true; }
    void stop() override { running = false; }
    void fire()
    {
        if (running)
            Q_EMIT tick();
    }

    bool running = false;
};
