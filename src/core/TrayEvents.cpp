#include "core/TrayEvents.h"

namespace TrayEvents {

Code mouseCode(Activation activation)
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

bool isForwarded(Code code)
{
    return code >= LeftButtonDown && code <= RightDoubleClick;
}

} // namespace TrayEvents
