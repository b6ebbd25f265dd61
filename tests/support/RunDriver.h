#pragma once

#include "dns/CheckRun.h"
#include "support/FakeNameServer.h"
#include "support/ManualTickSource.h"

#include <QPointer>
#include <functional>

class UdpTransport;

// Drives checking runs in tests against a fake name server on 127.0.0.1: every run made with its io() takes its
// ticks from a hand-stepped source and its socket from here, and finish() ticks a run to its end, each tick only
// once the server has dealt with every question sent and its answers have arrived.
class RunDriver
{
public:
    CheckRun::Io io();

    bool settle(const CheckRun* run);
    // False when the run did not end within its ticks, or beforeTick said stop.
    bool finish(CheckRun* run, const std::function<bool()>& beforeTick = {});

    FakeNameServer ns;
    QPointer<ManualTickSource> ticks; // of the last run made
    QPointer<UdpTransport> socket;
    int sentinels = 0;
};
