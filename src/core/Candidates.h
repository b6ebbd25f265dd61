#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Turns the typed text of the main window into the name list of one Check.
namespace Candidates {

enum class Verdict {
    Accepted,
    Empty,            // nothing but blanks: no message
    IllegalCharacter, // the illegal-character message
    TooLong,          // a name whose ASCII form is longer than a domain name allows: tooLongText()
    Unregistrable,    // a name no registry takes (an empty part, hyphens where none may be): unregistrableText()
    TooMany           // more entries than the name list holds
};

struct Result
{
    Verdict verdict = Verdict::Empty;
    QStringList names; // in the order of the run, in ASCII form
    QStringList typed; // the same names as typed
    bool bareNames = true;
    qint64 entriesNeeded = 0; // for TooMany: how many entries the input would have needed
    QString refusedName;      // for TooLong and Unregistrable: the name as typed (in Combinations, as joined)
    QString reason;           // for Unregistrable: why no registry takes it
};

// The 62 letters and digits, the hyphen, and the separators " ;,."; beyond ASCII, letters, marks and digits of any
// script, the full stops of East Asian keyboards, the ideographic space, and the joiners some scripts need.
bool isAllowed(char32_t c);
// The ASCII form of a name ("xn--" labels), or the name itself when it is plain ASCII; empty when it has none.
QString asciiForm(const QString& name);
// Whether a name has a part between dots whose ASCII form would be longer than the 63 characters a domain name
// allows, the reason a name of letters that all convert has no ASCII form.
bool tooLongForDomain(const QString& name);
// Why no registry takes a name in this ASCII form, or nothing: a part between dots that is empty, that begins or
// ends with a hyphen, or that has hyphens in its third and fourth places without being a real xn-- form (RFC 5891,
// 4.2.3.1). The lengths are tooLongForDomain's.
std::optional<QString> unregistrable(const QString& ascii);
// A valid A-label: "xn--" and Punycode that decodes, and converts back to the same label.
bool isALabel(const QString& label);
// ";" and "," become blanks, runs of blanks become one, ends trimmed.
QString normalize(const QString& text);
// With dashes, every joined name of a Combination is also checked with a hyphen at the joint, right after it.
Result build(const QString& text, bool combinations, int capacity, bool dashes = false);

// "Illegal characters encountered" etc.
QString illegalCharacterText();
QString illegalCharacterCaption();
QString tooManyText(qint64 entriesNeeded, int capacity);
QString tooLongText(const QString& name);
QString unregistrableText(const QString& name, const QString& reason);

} // namespace Candidates
