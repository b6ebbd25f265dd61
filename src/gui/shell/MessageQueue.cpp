#include "gui/shell/MessageQueue.h"

#include "core/AppInfo.h"

#include <QPointer>
#include <QTimer>

void MessageQueue::tell(const QString& text, Platform::Icon icon, std::function<void()> then)
{
    m_messages.append({text, icon, std::move(then)});
    if (m_messages.size() == 1)
        QTimer::singleShot(0, this, &MessageQueue::showAll);
}

void MessageQueue::showAll()
{
    const QPointer<MessageQueue> self(this);
    while (!m_messages.isEmpty()) {
        const Message message = m_messages.constFirst();
        Platform::instance().messageBox(message.text, Platform::Ok, message.icon, AppInfo::Title);
        if (!self) // the box's own events may have closed the window
            return;
        m_messages.removeFirst();
        if (message.then)
            message.then();
        if (!self)
            return;
    }
}
