#include "activate/pid_arg.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

namespace velmo::activate {
namespace {

struct Reading {
    const char* label;
    std::string text;
    // Nothing where the value does not fit an int.
    std::optional<int> value;
};

void PrintTo(const Reading& row, std::ostream* out) {
    *out << row.label;
}

class ReadAtoiTest : public testing::TestWithParam<Reading> {};

TEST_P(ReadAtoiTest, ReadsAsAtoiWouldWithoutOverflow) {
    const Reading& row = GetParam();
    EXPECT_EQ(readAtoi(row.text), row.value) << '"' << row.text << '"';
    // Where atoi is defined, it is the reference.
    if (row.value) {
        EXPECT_EQ(*row.value, std::atoi(row.text.c_str())) << '"' << row.text << '"';
    }
}

TEST_P(ReadAtoiTest, NamesAPidOnlyFromOneUp) {
    const Reading& row = GetParam();
    const std::optional<int> expected =
        row.value && *row.value >= 1 ? row.value : std::optional<int>();
    EXPECT_EQ(readPid(row.text), expected) << '"' << row.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadAtoiTest,
    testing::Values(Reading{"Zero", "0", 0}, Reading{"One", "1", 1}, Reading{"Negative", "-5", -5},
                    Reading{"Letters", "abc", 0}, Reading{"Empty", "", 0},
                    Reading{"OnlySpace", "   ", 0}, Reading{"LeadingSpaces", "  42", 42},
                    Reading{"PlusSign", "+42", 42}, Reading{"TrailingLetters", "42abc", 42},
                    Reading{"TrailingSpace", "42 ", 42}, Reading{"InnerSpace", "4 2", 4},
                    Reading{"AllCSpaces", " \t\n\v\f\r7", 7}, Reading{"SpaceAfterSign", "- 3", 0},
                    Reading{"TwoSigns", "+-3", 0}, Reading{"MinusZero", "-0", 0},
                    Reading{"LeadingZeros", "0042", 42},
                    Reading{"ManyLeadingZeros", "0000000000000000000000042", 42},
                    Reading{"Hex", "0x10", 0}, Reading{"Exponent", "1e3", 1},
                    Reading{"Decimal", "12.9", 12}, Reading{"IntMax", "2147483647", INT_MAX},
                    Reading{"IntMaxPlusOne", "2147483648", std::nullopt},
                    Reading{"IntMin", "-2147483648", INT_MIN},
                    Reading{"IntMinMinusOne", "-2147483649", std::nullopt},
                    Reading{"ElevenDigits", "99999999999", std::nullopt},
                    Reading{"NegativeElevenDigits", "-99999999999", std::nullopt},
                    Reading{"TwoToThe32Plus5", "4294967301", std::nullopt},
                    Reading{"TwoToThe64Plus5", "18446744073709551621", std::nullopt},
                    Reading{"Overlong", std::string(400, '9'), std::nullopt},
                    Reading{"OverflowBeforeLetters", "99999999999abc", std::nullopt},
                    Reading{"NonAsciiAfter", "12\xff", 12},
                    Reading{"NonAsciiBefore",
                            "\xff"
                            "12",
                            0},
                    Reading{"NoBreakSpace",
                            "\xc2\xa0"
                            "5",
                            0}),
    [](const testing::TestParamInfo<Reading>& info) { return std::string(info.param.label); });

// strtol reads decimal text by the same rules as atoi and also says when the value overflows, so
// it answers for the whole range, beyond int included.
std::optional<int> readWithStrtol(const std::string& text) {
    errno = 0;
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

TEST(ReadAtoiAgainstLibrary, AgreesWithStrtolOnRandomText) {
    const std::string alphabet = " \t\n+-0000123456789a.";
    std::mt19937 random(20240601);
    std::uniform_int_distribution<std::size_t> length(0, 24);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int round = 0; round < 50000; ++round) {
        std::string text;
        for (std::size_t n = length(random); n > 0; --n)
            text += alphabet[pick(random)];
        ASSERT_EQ(readAtoi(text), readWithStrtol(text)) << '"' << text << '"';
    }
}

} // namespace
} // namespace velmo::activate
