#pragma once

#include <QString>
#include <optional>

// The number rules of the DNS options dialogs, apart from any window so that they can be tried alone.
namespace OptionsInput {

// The delay bar runs from 0 (1000 ms, top) to 995 (5 ms, bottom); the retries bar from 0 (10) to 9 (1).
constexpr int DelayBarMax = 995;
constexpr int RetriesBarMax = 9;

enum class Message {
    None,
    RetriesRange,    // "Please select from 1 to 10 retries."
    DelayRange,      // "Please select a number from 5 to 1000 ms."
    DelayNotNumeric, // "Please select from 5 to 1000 milliseconds delay."
};
QString messageText(Message message);

// A decimal number with optional sign, decimal point and exponent, read the C way, blanks around it allowed.
// Anything else (empty text, "inf", "nan", hexadecimal, thousands separators) is not numeric.
std::optional<double> numericValue(const QString& text);

// Rounded as above; no value when the result does not fit in 16 bits.
std::optional<qint16> toInt16(double value);

int delayToPosition(int delay);     // clamped into the bar
int retriesToPosition(int retries); // clamped into the bar
int positionToDelay(int position);
int positionToRetries(int position);

// Leaving a number box: the message to show, or the bar position the typed value asks for.
struct LeaveResult
{
    Message message = Message::None;
    int position = 0; // only when message is None
};
LeaveResult leaveDelay(const QString& text);
LeaveResult leaveRetries(const QString& text);

// OK: which message stops it, the texts the two boxes hold afterwards, and the accepted values.
struct OkResult
{
    Message message = Message::None;
    QString delayText;
    QString retriesText;
    qint16 delay = 0;   // only when message is None
    quint8 retries = 0; // only when message is None
};
OkResult acceptOk(const QString& delayText, const QString& retriesText);

} // namespace OptionsInput
