#include "activate/activation_order.h"

#include <algorithm>

namespace velmo::activate {

std::vector<std::uint32_t> activationOrder(std::span<const std::uint32_t> windows,
                                           std::span<const std::uint32_t> stacking) {
    std::vector<std::uint32_t> ordered;
    ordered.reserve(windows.size());
    for (std::uint32_t window : windows) {
        if (std::find(stacking.begin(), stacking.end(), window) == stacking.end() &&
            std::find(ordered.begin(), ordered.end(), window) == ordered.end())
            ordered.push_back(window);
    }
    for (std::uint32_t window : stacking) {
        if (std::find(windows.begin(), windows.end(), window) != windows.end() &&
            std::find(ordered.begin(), ordered.end(), window) == ordered.end())
            ordered.push_back(window);
    }
    return ordered;
}

} // namespace velmo::activate
