#include "core/TrayEvents.h"

namespace TrayEvents {

qint32 mouseCode(Activation activation)
{
    switch (activation) {
    case Activation::Trigger:
        return LeftButtonUp;
    case Activation::DoubleClick:
        return LeftDoubleClick;
    case Activation::Context:
        return RightButtonUp;
    case Activation::MiddleClick:
        return MiddleButtonUp;
    case Activation::Unknown:
        break;
    }
    return MouseMove;
}

bool isForwarded(qint32 code)
{
    return code >= 0x201 && code <= 0x206;
}

} // namespace TrayEvents
