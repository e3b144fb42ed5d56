# Given to the player's configure step as CMAKE_PROJECT_INCLUDE: adds the
# bench_overlay target to that build once the top-level CMakeLists.txt has
# defined velmo_core, without editing it.
if(NOT VELMO_BENCH_OVERLAY_TARGETS)
    # Deferred arguments are expanded when the call runs, so the path is kept
    # in a variable now.
    set(VELMO_BENCH_OVERLAY_TARGETS ${CMAKE_CURRENT_LIST_DIR}/targets.cmake)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL include
                   ${VELMO_BENCH_OVERLAY_TARGETS})
endif()
