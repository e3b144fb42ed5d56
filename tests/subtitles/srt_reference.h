#pragma once

// SRT decoding and parsing written the plain way, each step as it is defined,
// with the timing pattern run by QRegularExpression. Slow; the tests and the
// fuzz target hold the real parser to it.

#include "subtitles/model.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace velmo::reference {

QString decodeSubtitleData(const QByteArray& data);
QList<SubtitleCue> parseSubtitle(const QString& text);
double parseSubtitleTime(const QString& stamp);

// Text for a cue list, as in the golden files: a "start --> end" line, then each
// text line after "| ", a blank line between cues. Characters that cannot be
// seen (controls, format characters, separators other than U+0020) are written
// as <U+XXXX>, which cannot be cue text since the parser removes <...>.
QString describe(const QList<SubtitleCue>& cues);

} // namespace velmo::reference
