// Arbitrary bytes through SRT decoding and parsing. The parser's hand scan is
// held to the plain implementation that runs the timing pattern, and the
// invariants of a cue list are checked. The first byte chooses how the rest
// becomes text: as a downloaded file (DecodeSubtitleData, held to the plain
// decoder) or as UTF-16 code units, which reach every code point (digits
// beyond the BMP, every separator) with few bytes. The seeds under
// tests/data/srt/fuzz start with a zero byte: files in each Unicode form, with
// and without a byte-order mark, for the decoding side.

#include "srt_reference.h"
#include "subtitles/cue_lookup.h"
#include "subtitles/srt.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_srt: %s\n", what);
        std::abort();
    }
}

// QRegularExpression does not match in text with a lone surrogate, which
// DecodeSubtitleData never produces; such units become U+FFFD.
QString fromUtf16Units(const std::uint8_t* data, std::size_t size) {
    QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

void checkInvariants(const QList<velmo::SubtitleCue>& cues) {
    for (qsizetype i = 0; i < cues.size(); ++i) {
        const velmo::SubtitleCue& cue = cues[i];
        check(i == 0 || cues[i - 1].start <= cue.start, "cues not sorted by start");
        check(!cue.text.isEmpty(), "empty cue text");
        check(cue.text.trimmed() == cue.text, "cue text not trimmed");
        check(std::isfinite(cue.start) && std::isfinite(cue.end), "time not finite");
        check(cue.start >= 0 && cue.end >= 0, "negative time");
    }
}

bool sameCues(const QList<velmo::SubtitleCue>& a, const QList<velmo::SubtitleCue>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].start != b[i].start || a[i].end != b[i].end || a[i].text != b[i].text)
            return false;
    }
    return true;
}

// The lookup at each cue's edges against its definition.
void checkLookup(const QList<velmo::SubtitleCue>& cues) {
    for (const velmo::SubtitleCue& edge : cues) {
        for (const double t : {edge.start, edge.end, std::nextafter(edge.end, HUGE_VAL)}) {
            const velmo::SubtitleCue* expected = nullptr;
            for (const velmo::SubtitleCue& cue : cues) {
                if (cue.start <= t)
                    expected = &cue;
            }
            if (expected && !(t <= expected->end))
                expected = nullptr;
            check(velmo::cueAt(cues, t) == expected, "cueAt differs from its definition");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    QString text;
    if (data[0] & 1) {
        text = fromUtf16Units(data + 1, size - 1);
    } else {
        const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                               static_cast<qsizetype>(size - 1));
        text = velmo::DecodeSubtitleData(bytes);
        check(text == velmo::reference::decodeSubtitleData(bytes),
              "decoding differs from the plain decoder");
        check(text.isValidUtf16(), "decoded text holds a lone surrogate");
    }

    const QList<velmo::SubtitleCue> cues = velmo::ParseSubtitle(text);
    checkInvariants(cues);
    check(sameCues(cues, velmo::reference::parseSubtitle(text)),
          "parsing differs from the timing pattern");
    if (cues.size() <= 64)
        checkLookup(cues);

    // Short texts as time stamps: few enough digits that no value overflows.
    if (text.size() <= 40) {
        const double seconds = velmo::ParseSubtitleTime(text);
        check(seconds == velmo::reference::parseSubtitleTime(text),
              "time stamp differs from the plain reading");
    }
    return 0;
}
