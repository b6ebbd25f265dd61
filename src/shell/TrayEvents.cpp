#include "shell/TrayEvents.h"

namespace TrayEvents {

qint32 mouseCode(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        return LeftButtonUp;
    case QSystemTrayIcon::DoubleClick:
        return LeftDoubleClick;
    case QSystemTrayIcon::Context:
        return RightButtonUp;
    case QSystemTrayIcon::MiddleClick:
        return MiddleButtonUp;
    case QSystemTrayIcon::Unknown:
        break;
    }
    return MouseMove;
}

bool isForwarded(qint32 code)
{
    return code >= 0x201 && code <= 0x206;
}

} // namespace TrayEvents
