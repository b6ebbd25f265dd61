#pragma once

// What every suite with windows needs besides the logic suites' own: each test starts with no window, program
// state reset into the suite's folder, and a fresh recording desktop, and ends with the windows gone.
#include "support/Suite.h"
#include "support/gui/TestDesktop.h"

#include <QtWidgets>

class GuiSuite : public QObject
{
    Q_OBJECT

protected:
    QTemporaryDir m_dir;
    std::unique_ptr<TestDesktop> m_desktop;
    virtual void setUp() {}

private Q_SLOTS:
    void init()
    {
        resetAll(m_dir.path());
        m_desktop = std::make_unique<TestDesktop>();
        setUp();
    }
    void cleanup()
    {
        resetAll(m_dir.path());
        m_desktop.reset();
    }
};
