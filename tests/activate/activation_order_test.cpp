#include "activate/activation_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velmo::activate {
namespace {

struct Ordering {
    const char* label;
    std::vector<std::uint32_t> windows;
    std::vector<std::uint32_t> stacking;
    std::vector<std::uint32_t> expected;
};

void PrintTo(const Ordering& row, std::ostream* out) {
    *out << row.label;
}

class ActivationOrderTest : public testing::TestWithParam<Ordering> {};

TEST_P(ActivationOrderTest, FrontmostComesLast) {
    const Ordering& row = GetParam();
    EXPECT_EQ(activationOrder(row.windows, row.stacking), row.expected);
}

// Window ids: 1-3 belong to the application, 10 and up to others.
INSTANTIATE_TEST_SUITE_P(
    Table, ActivationOrderTest,
    testing::Values(
        Ordering{"StackingDecidesNotClientOrder", {1, 2, 3}, {10, 3, 11, 1, 2, 12}, {3, 1, 2}},
        Ordering{"SingleWindow", {2}, {2, 10}, {2}},
        Ordering{"NoStackingList", {3, 1, 2}, {}, {3, 1, 2}},
        Ordering{"UnstackedWindowsGoBelow", {1, 2, 3}, {10, 3, 1}, {2, 3, 1}}),
    [](const testing::TestParamInfo<Ordering>& info) { return std::string(info.param.label); });

} // namespace
} // namespace velmo::activate
