#pragma once

#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "results/WhoisConfirmation.h"
#include "results/frmResults.h"
#include "support/FakeNameServer.h"
#include "support/ManualTickSource.h"
#include "support/TestPlatform.h"

#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// Program state for Checks typed into the main window, asked of a name server on 127.0.0.1, ticks fired by hand.
struct RunFixture
{
    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<FakeNameServer> m_ns;
    QPointer<ManualTickSource> m_ticks;
    std::function<void(ManualTickSource*)> m_onTicksMade;

    void setUpRun(int tldCount)
    {
        resetProgramState(m_dir.path());
        m_platform = std::make_unique<TestPlatform>();
        m_ns = std::make_unique<FakeNameServer>();
        DNS::NameServerPort = m_ns->port();
        Utils::AppSettings = {QStringLiteral("127.0.0.1"), 5, 1, false, false, false};
        Utils::InitDefaultDomains();
        Utils::TldCount = tldCount;
        m_onTicksMade = {};
        CheckRun::tickSourceFactory = [this] {
            auto made = std::make_unique<ManualTickSource>();
            m_ticks = made.get();
            if (m_onTicksMade)
                m_onTicksMade(made.get());
            return made;
        };
    }

    void tearDownRun()
    {
        Forms::destroyAll();
        CheckRun::tickSourceFactory = {};
        CheckRun::transportFactory = {};
        DNS::NameServerPort = 53;
        WhoisConfirmation::limits = {};
        m_ns.reset();
        m_platform.reset(); // before the next one is installed
    }

    frmResults* check(const QString& text, bool personal = false)
    {
        Utils::SaveSetting(QStringLiteral("main"), QStringLiteral("domains"),
                           personal ? QStringLiteral("personal") : QStringLiteral("default"));
        Forms::main()->names->setText(text);
        Forms::main()->activate_Click();
        return Forms::resultsIfLoaded();
    }

    // Ticks while the run goes on, each tick once every question sent is answered (`silent` counts as answered);
    // `beforeTick` returning false stops it.
    bool finish(frmResults* results, const std::function<int()>& silent = {},
                const std::function<bool()>& beforeTick = {})
    {
        while (results->currentRun() && results->currentRun()->inProgress()) {
            CheckRun* run = results->currentRun();
            const auto answered = [&] {
                return run->repliesReceived() + run->refusalsReceived() + (silent ? silent() : 0) >= run->queriesSent();
            };
            if (!QTest::qWaitFor(answered, 5000))
                return false;
            if (beforeTick && !beforeTick())
                return false;
            m_ticks->fire();
        }
        return true;
    }

    static QString names(int count, const QString& suffix = {})
    {
        QStringList list;
        for (int i = 1; i <= count; ++i)
            list.append(QStringLiteral("n%1").arg(i) + suffix);
        return list.join(' ');
    }
};
