# The bench_overlay target; needs velmo_core defined (see CMakeLists.txt).
add_executable(bench_overlay ${CMAKE_CURRENT_LIST_DIR}/bench_overlay.cpp)
target_link_libraries(bench_overlay PRIVATE velmo_core)
# Next to velmo-player, where the fonts the player registers are.
set_target_properties(bench_overlay PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
