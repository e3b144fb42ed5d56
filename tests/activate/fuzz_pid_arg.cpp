// libFuzzer target for the pid argument reader: no input may crash it or trip the sanitizers, and
// its answer must match strtol's reading, which follows the same rules and reports overflow.

#include "activate/pid_arg.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An argument cannot hold a NUL byte; the program sees the text up to the first one.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string argument = text.substr(0, text.find('\0'));

    const std::optional<int> read = velmo::activate::readAtoi(argument);
    errno = 0;
    const long expected = std::strtol(argument.c_str(), nullptr, 10);
    const bool fits = errno != ERANGE && expected >= INT_MIN && expected <= INT_MAX;
    if (read.has_value() != fits || (read && *read != expected))
        std::abort();
    return 0;
}
