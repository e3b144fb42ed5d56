#pragma once

// Decoding and parsing of downloaded SRT files. Pure functions: no widgets, no
// network, no state.

#include "subtitles/model.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace velmo {

// The text of a downloaded subtitle file (srt_decode.cpp). A leading
// byte-order mark of UTF-8, UTF-16 LE/BE or UTF-32 LE/BE decides the encoding
// and is removed (one mark; a second stays as U+FEFF); in such a file each
// malformed sequence becomes U+FFFD. A file without a mark whose first eight
// characters read as ASCII UTF-16 (zero bytes in every other place, a digit
// among them) is UTF-16 of that order. Any other file is tried as strict UTF-8
// (one malformed sequence rejects it), then Windows-1256 (Persian and Arabic
// files from Windows), then Latin-1. Never fails: the worst case is empty
// text. The text never holds a lone surrogate.
//
// glibc's CP1256 defines all 256 bytes, so in practice the Latin-1 step is
// only reached when the system has no CP1256 converter at all.
QString DecodeSubtitleData(const QByteArray& data);

// The cues of an SRT text, sorted by start. Blocks are separated by an empty
// line ("\n\n" after CR LF and CR have become LF); in each trimmed block the
// first "H:M:S[,f] --> H:M:S[,f]" timing (digits of any script, 1-3 hour,
// 1-2 minute and second digits, 1-3 fraction digits, any white space around the
// arrow, line ends included) starts the cue, and everything after it is the
// text: "\N" and "\n" become line breaks, <tags> and {overrides} are removed,
// the result is trimmed, and a block whose text ends up empty gives no cue.
// Cues of equal start keep their order in the file, so the lookup shows the
// later one.
QList<SubtitleCue> ParseSubtitle(const QString& text);

// Seconds of a time stamp such as "01:02:03,5": "," counts as ".", the parts
// between ":" are folded as value * 60 + part, and each part is its leading
// decimal number (digits, then an optional fraction after "."; a part that
// does not begin with a digit counts 0). Digits of other scripts (Persian
// "۰۱:۲۳:۴۵" is 1:23:45) count with their digit value, as the timing pattern
// accepts them. No sign, exponent or white space is read. Finite and not
// negative for every stamp of the form the parser accepts.
double ParseSubtitleTime(const QString& stamp);

namespace detail {

// DecodeSubtitleData with another code page in place of Windows-1256, for
// tests that need the Latin-1 step.
QString decodeSubtitleData(const QByteArray& data, const char* legacyCodePage);

} // namespace detail

} // namespace velmo
