#pragma once

#include <QtGlobal>

// The tray reports clicks as activations; the main window understands the mouse codes of the notification area
// (0x200 mouse move, 0x201 left down ... 0x206 right double click, 0x207 middle down, 0x208 middle up).
namespace TrayEvents {
constexpr qint32 MouseMove = 0x200;
constexpr qint32 LeftButtonUp = 0x202;
constexpr qint32 LeftDoubleClick = 0x203;
constexpr qint32 RightButtonUp = 0x205;
constexpr qint32 MiddleButtonUp = 0x208;

// What a tray reports of a click, in the desktop's own order.
enum class Activation { Unknown, Context, DoubleClick, Trigger, MiddleClick };

// A click is reported when the button comes up, as the notification area does.
qint32 mouseCode(Activation activation);
// Codes 513 to 518, the left and right button events, go to the owner; the rest stay with the tray window.
bool isForwarded(qint32 code);
} // namespace TrayEvents
