#include "activate/pid_arg.h"

#include <climits>
#include <cstdint>

namespace velmo::activate {

namespace {

// The "C" locale's white space; the tool never switches locale, so atoi would see the same set.
bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<int> readAtoi(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    // Accumulate the magnitude in a wider type and stop as soon as it leaves int's range, so a
    // long run of digits can never overflow the accumulator itself. INT_MIN's magnitude is one
    // more than INT_MAX's, hence the separate limit for negative numbers.
    const std::int64_t limit =
        negative ? -static_cast<std::int64_t>(INT_MIN) : static_cast<std::int64_t>(INT_MAX);
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit)
            return std::nullopt;
    }

    return static_cast<int>(negative ? -magnitude : magnitude);
}

std::optional<int> readPid(std::string_view text) {
    const std::optional<int> value = readAtoi(text);
    if (!value || *value < 1)
        return std::nullopt;
    return value;
}

} // namespace velmo::activate
