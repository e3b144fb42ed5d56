#pragma once

#include <optional>
#include <string_view>

namespace velmo::activate {

// Reads text the way the C library's atoi does: optional leading white space (as isspace sees it
// in the "C" locale), an optional sign, then decimal digits up to the first other character. Text
// that starts with no digits reads as 0. Where atoi's result would be undefined because the value
// does not fit an int, this answers nothing instead.
std::optional<int> readAtoi(std::string_view text);

// The process id an argument names: its atoi reading when that is 1 or more, nothing otherwise.
std::optional<int> readPid(std::string_view text);

} // namespace velmo::activate
