#include "core/OptionsInput.h"

#include "core/Units.h"
#include "core/Utils.h"

#include <QtGlobal>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace OptionsInput {

QString messageText(Message message)
{
    switch (message) {
    case Message::None:
        break;
    case Message::RetriesRange:
        return QStringLiteral("Please select from %1 to %2 retries.").arg(Utils::MinRetries).arg(Utils::MaxRetries);
    case Message::DelayRange:
        return QStringLiteral("Please select a number from %1 to %2 ms.")
            .arg(Utils::MinQueryDelay)
            .arg(Utils::MaxQueryDelay);
    case Message::DelayNotNumeric:
        return QStringLiteral("Please select from %1 to %2 milliseconds delay.")
            .arg(Utils::MinQueryDelay)
            .arg(Utils::MaxQueryDelay);
    }
    return QString();
}

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

std::optional<double> numericValue(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;

    // sign? digits* ('.' digits*)? with at least one digit, then (e|E sign? digits+)?
    qsizetype i = begin;
    if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    int mantissaDigits = 0;
    while (i < end && isDigit(text.at(i))) {
        ++i;
        ++mantissaDigits;
    }
    if (i < end && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < end && isDigit(text.at(i))) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;
    if (i < end && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        ++i;
        if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
            ++i;
        int exponentDigits = 0;
        while (i < end && isDigit(text.at(i))) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    // Only ASCII is left, so strtod sees exactly the checked form; a huge exponent gives infinity, which is
    // simply out of every range.
    const QByteArray ascii = text.mid(begin, end - begin).toLatin1();
    return std::strtod(ascii.constData(), nullptr);
}

std::optional<qint16> toInt16(double value)
{
    const double rounded = Units::roundHalfEven(value);
    if (!(rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()))
        return std::nullopt;
    return qint16(rounded);
}

int delayToPosition(int delay)
{
    return Utils::MaxQueryDelay - qBound(int(Utils::MinQueryDelay), delay, int(Utils::MaxQueryDelay));
}

int retriesToPosition(int retries)
{
    return Utils::MaxRetries - qBound(Utils::MinRetries, retries, Utils::MaxRetries);
}

int positionToDelay(int position)
{
    return Utils::MaxQueryDelay - position;
}

int positionToRetries(int position)
{
    return Utils::MaxRetries - position;
}

LeaveResult leaveDelay(const QString& text)
{
    const auto value = numericValue(text);
    if (!value)
        return {Message::DelayNotNumeric};
    // The typed value is judged as it stands; only the bar position is rounded.
    if (*value < Utils::MinQueryDelay || *value > Utils::MaxQueryDelay)
        return {Message::DelayRange};
    return {Message::None, int(Units::roundHalfEven(Utils::MaxQueryDelay - *value))};
}

LeaveResult leaveRetries(const QString& text)
{
    const auto value = numericValue(text);
    if (!value || *value < Utils::MinRetries || *value > Utils::MaxRetries)
        return {Message::RetriesRange};
    return {Message::None, int(Units::roundHalfEven(Utils::MaxRetries - *value))};
}

OkResult acceptOk(const QString& delayText, const QString& retriesText)
{
    OkResult result{Message::None, delayText, retriesText};
    const auto retriesValue = numericValue(retriesText);
    if (!retriesValue) {
        result.message = Message::RetriesRange;
        return result;
    }
    const auto delayValue = numericValue(delayText);
    if (!delayValue) {
        result.message = Message::DelayRange;
        return result;
    }

    // A number beyond 16 bits keeps its text and is refused like any other number out of range.
    const auto delay = toInt16(*delayValue);
    const auto retries = toInt16(*retriesValue);
    if (delay)
        result.delayText = QString::number(*delay);
    if (retries)
        result.retriesText = QString::number(*retries);

    if (!delay || *delay < Utils::MinQueryDelay || *delay > Utils::MaxQueryDelay) {
        result.message = Message::DelayRange;
        return result;
    }
    if (!retries || *retries < Utils::MinRetries || *retries > Utils::MaxRetries) {
        result.message = Message::RetriesRange;
        return result;
    }
    result.delay = *delay;
    result.retries = quint8(*retries);
    return result;
}

} // namespace OptionsInput
