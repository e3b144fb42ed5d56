#pragma once

#include <QString>

namespace velmo {

// One alternative source of the media: its label in the quality menu and the
// URL it plays (never empty).
struct SourceEntry {
    QString label;
    QString url;

    bool operator==(const SourceEntry&) const = default;
};

} // namespace velmo
