#pragma once

#include <QString>
#include <QStringList>

namespace Whois {

// The lines that the lookup window adds for one piece of a reply, in order; joined they give the piece back
// with its leading bare-LF line ends turned into CR LF. A piece is taken line by line while each line before
// an LF holds no CR; the first line that holds a CR, or a rest without LF, is added with everything after it
// unchanged. Each piece starts afresh.
QStringList splitReplyPiece(const QString& piece);

} // namespace Whois
