#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace velmo::activate {

// Orders one application's windows for activation, back to front: activating them one after the
// other raises each above the ones before, so the application keeps its own stacking and its
// frontmost window ends on top. `stacking` is the window manager's bottom-to-top list of all
// managed windows; it may be empty or lag behind, so windows it does not name come first, in the
// order they were given.
std::vector<std::uint32_t> activationOrder(std::span<const std::uint32_t> windows,
                                           std::span<const std::uint32_t> stacking);

} // namespace velmo::activate
