#pragma once

#include <QString>
#include <QStringList>

// Turns the typed text of the main window into the name list of one Check.
namespace Candidates {

enum class Verdict {
    Accepted,
    Empty,            // nothing but blanks: no message
    IllegalCharacter, // the illegal-character message
    TooMany           // more entries than the name list holds
};

struct Result
{
    Verdict verdict = Verdict::Empty;
    QStringList names; // in the order of the run, in ASCII form
    QStringList typed; // the same names as typed
    bool bareNames = true;
    qint64 entriesNeeded = 0; // for TooMany: how many entries the input would have needed
};

// The 62 letters and digits, the hyphen, and the separators " ;,."; beyond ASCII, letters, marks and digits of any
// script and the ideographic full stop.
bool isAllowed(char32_t c);
// The ASCII form of a name ("xn--" labels), or the name itself when it is plain ASCII; empty when it has none.
QString asciiForm(const QString& name);
// ";" and "," become blanks, runs of blanks become one, ends trimmed.
QString normalize(const QString& text);
Result build(const QString& text, bool combinations, int capacity);

// "Illegal characters encountered" etc.
QString illegalCharacterText();
QString illegalCharacterCaption();
QString tooManyText(qint64 entriesNeeded, int capacity);

} // namespace Candidates
