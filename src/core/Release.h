#pragma once

#include <QObject>
#include <QPointer>

// Lets go of a helper object that may be the sender of the signal being handled: the slot is emptied first (the
// helper's last signals may come back to it), the helper's connections to receiver are cut, it is stopped, and it
// is deleted at the next turn of the event loop.
template <typename T, typename Stop> void releaseLater(QPointer<T>& slot, const QObject* receiver, Stop stop)
{
    T* object = slot.data();
    slot.clear();
    if (!object)
        return;
    QObject::disconnect(object, nullptr, receiver, nullptr);
    stop(object);
    object->deleteLater();
}
