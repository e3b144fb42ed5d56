// The tool's exit statuses for its arguments, checked on the real binary. DISPLAY is unset (or
// names a display nobody serves), so every well-formed pid ends in "no such application".

#include "process.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace velmo::activate::test {
namespace {

struct Invocation {
    const char* label;
    std::vector<std::string> arguments;
    int exitStatus;
    // The DISPLAY the tool runs with; nothing unsets it.
    std::optional<std::string> display = std::nullopt;
};

void PrintTo(const Invocation& row, std::ostream* out) {
    *out << row.label;
}

class ExitStatusTest : public testing::TestWithParam<Invocation> {};

TEST_P(ExitStatusTest, AnswersOnlyByExitStatus) {
    const Invocation& row = GetParam();
    std::vector<std::string> argv = {VELMO_ACTIVATE_BINARY};
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());

    const Finished finished =
        runProgram(argv, {{"DISPLAY", row.display}, {"WAYLAND_DISPLAY", std::nullopt}});
    EXPECT_EQ(finished.exitStatus, row.exitStatus);
    EXPECT_EQ(finished.out, "");
    EXPECT_EQ(finished.err, "");
}

constexpr int missingArgument = 2;
constexpr int invalidPid = 3;
constexpr int noSuchApplication = 4;

INSTANTIATE_TEST_SUITE_P(
    Table, ExitStatusTest,
    testing::Values(
        Invocation{"NoArgument", {}, missingArgument}, Invocation{"Zero", {"0"}, invalidPid},
        Invocation{"Negative", {"-5"}, invalidPid}, Invocation{"Letters", {"abc"}, invalidPid},
        Invocation{"Empty", {""}, invalidPid}, Invocation{"MinusZero", {"-0"}, invalidPid},
        Invocation{"TwoSigns", {"+-3"}, invalidPid},
        Invocation{"IntMaxPlusOne", {"2147483648"}, invalidPid},
        Invocation{"ElevenDigits", {"99999999999"}, invalidPid},
        Invocation{"IntMin", {"-2147483648"}, invalidPid},
        Invocation{"NegativeElevenDigits", {"-99999999999"}, invalidPid},
        Invocation{"LettersThenValidPid", {"abc", "42"}, invalidPid},
        Invocation{"LeadingSpaces", {"  42"}, noSuchApplication},
        Invocation{"PlusSign", {"+42"}, noSuchApplication},
        Invocation{"TrailingLetters", {"42abc"}, noSuchApplication},
        Invocation{"WhiteSpace", {" \t\n7"}, noSuchApplication},
        Invocation{"IntMax", {"2147483647"}, noSuchApplication},
        Invocation{"ExtraArguments", {"42", "abc", "0"}, noSuchApplication},
        Invocation{"UnservedDisplay", {"1"}, noSuchApplication, ":32761"},
        Invocation{"MalformedDisplay", {"1"}, noSuchApplication, ":abc"}),
    [](const testing::TestParamInfo<Invocation>& info) { return std::string(info.param.label); });

} // namespace
} // namespace velmo::activate::test
