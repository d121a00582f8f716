# Tests of the main window module. The end-to-end ones talk to kelvox-clock-emulator.
find_package(Qt6 REQUIRED COMPONENTS Test)
include(${CMAKE_CURRENT_LIST_DIR}/window_sources.cmake)
kvx_add_test(kvx_window_tests
  SOURCES ${kvx_window_test_sources} ${CMAKE_CURRENT_LIST_DIR}/port_selection_test.cpp
  LIBS kvx_app kvx_emulator_support Qt6::Test
  LABELS app)
kvx_add_test(kvx_window_e2e_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/window_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_every_clock_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_support.h
  LIBS kvx_app kvx_emulator_support Qt6::Test
  LABELS app e2e)
# The program with a send started by itself, for the test that ends it by a signal.
add_executable(kvx_exit_signal_child ${CMAKE_CURRENT_LIST_DIR}/exit_signal_child.cpp)
target_link_libraries(kvx_exit_signal_child PRIVATE kvx_app)
kvx_warnings(kvx_exit_signal_child)
add_dependencies(kvx_window_e2e_tests kvx_exit_signal_child)
target_compile_definitions(kvx_window_e2e_tests
  PRIVATE KVX_EXIT_SIGNAL_CHILD="$<TARGET_FILE:kvx_exit_signal_child>")
