#pragma once

#include <QtGlobal>

// The tray reports clicks as activations; the main window understands the mouse codes of the notification area.
namespace TrayEvents {
enum Code : qint32 {
    MouseMove = 0x200,
    LeftButtonDown = 0x201,
    LeftButtonUp = 0x202,
    LeftDoubleClick = 0x203,
    RightButtonDown = 0x204,
    RightButtonUp = 0x205,
    RightDoubleClick = 0x206,
    MiddleButtonDown = 0x207,
    MiddleButtonUp = 0x208,
};

// What a tray reports of a click, in the desktop's own order.
enum class Activation { Unknown, Context, DoubleClick, Trigger, MiddleClick };

// A click is reported when the button comes up, as the notification area does.
Code mouseCode(Activation activation);
// Codes 513 to 518, the left and right button events, go to the owner; the rest stay with the tray window.
bool isForwarded(Code code);
} // namespace TrayEvents
