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
    // Every text a window shows as "object: text" lines, sorted (tooltips after " | ", bold "*x*", a line "---").
    static QString textsOf(const QWidget* window)
    {
        QStringList lines{window->windowTitle()};
        for (const QObject* child : window->findChildren<QObject*>()) {
            QString text =
                child->property(child->inherits("QGroupBox") || child->inherits("QMenu") ? "title" : "text").toString();
            if (const auto* line = qobject_cast<const QFrame*>(child); line && line->frameShape() == QFrame::HLine)
                text = "---";
            if (child->isWidgetType() && !text.isEmpty() && static_cast<const QWidget*>(child)->font().bold())
                text = '*' + text + '*';
            const QString tip = child->property("toolTip").toString(); // of widgets and actions
            if (!tip.isEmpty() && tip != QString(text).remove('&'))
                text += " | " + tip;
            if (!child->objectName().isEmpty() && !text.isEmpty())
                lines.append(child->objectName() + ": " + text);
        }
        std::sort(lines.begin() + 1, lines.end());
        return lines.join('\n');
    }

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
