# The controller-to-key mapping, tested with SDL's virtual controllers (no display needed).
# Included from tests/ui/CMakeLists.txt; the pad code is compiled in directly so this test does
# not wait on the rest of the window library.
find_package(SDL2 REQUIRED)
set(_skelvar_root ${CMAKE_CURRENT_LIST_DIR}/../..)
add_executable(gamepad_test
  ${CMAKE_CURRENT_LIST_DIR}/gamepad_test.cpp
  ${_skelvar_root}/ui/gamepad.cpp
)
target_include_directories(gamepad_test PRIVATE ${_skelvar_root})
target_link_libraries(gamepad_test PRIVATE GTest::gtest_main SDL2::SDL2 skelvar-game skelvar-tick)
gtest_discover_tests(gamepad_test)
unset(_skelvar_root)
