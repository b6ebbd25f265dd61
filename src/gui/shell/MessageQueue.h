#pragma once

#include "core/Platform.h"

#include <QList>
#include <QObject>
#include <functional>

// Message boxes of a window, shown one after the other from a fresh event: never from inside the report that
// brought them, whose sender the box's own events might destroy. Each may be followed by a step of its own.
class MessageQueue final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    void tell(const QString& text, Platform::Icon icon, std::function<void()> then = {});

private:
    void showAll();

    struct Message
    {
        QString text;
        Platform::Icon icon;
        std::function<void()> then;
    };
    QList<Message> m_messages;
};
