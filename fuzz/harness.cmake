# The fuzz harnesses as a library of their own: the libFuzzer targets (fuzz/CMakeLists.txt) and the
# replay of the regression corpus in the test binary both link it. Included by the root list.
add_library(astrovane_fuzz_harness STATIC
  ${CMAKE_CURRENT_LIST_DIR}/harness.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harness_game.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harness_platform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harness_save.cpp
  ${CMAKE_CURRENT_LIST_DIR}/harness_world.cpp)
target_include_directories(astrovane_fuzz_harness PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_options(astrovane_fuzz_harness PRIVATE -Wall -Wextra -Werror)
# The generated store the harnesses take templates and seeds from ($ASTROVANE_STORE overrides it).
set(ASTROVANE_FUZZ_STORE "${PROJECT_BINARY_DIR}/store.dat" CACHE FILEPATH "Generated store the fuzz harnesses read")
target_compile_definitions(astrovane_fuzz_harness PRIVATE ASTROVANE_FUZZ_STORE="${ASTROVANE_FUZZ_STORE}")
# Seed files kept with the sources, one folder per target (fuzz/seeds/<target>/).
target_compile_definitions(astrovane_fuzz_harness PRIVATE ASTROVANE_FUZZ_SEED_DIR="${CMAKE_CURRENT_LIST_DIR}/seeds")
target_link_libraries(astrovane_fuzz_harness PUBLIC astrovane_core)

# The target names, one per FUZZ_ line of targets.def.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/targets.def ASTROVANE_FUZZ_LINES REGEX "^FUZZ_[A-Z]+\\(")
set(ASTROVANE_FUZZ_TARGETS "")
foreach(line IN LISTS ASTROVANE_FUZZ_LINES)
  string(REGEX REPLACE "^FUZZ_[A-Z]+\\(([a-z0-9_]+).*" "\\1" name "${line}")
  list(APPEND ASTROVANE_FUZZ_TARGETS ${name})
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/targets.def)
