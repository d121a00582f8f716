# Tests of the main window module. The end-to-end ones talk to kelvox-clock-emulator.
find_package(Qt6 REQUIRED COMPONENTS Test)
kvx_add_test(kvx_window_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/port_selection_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/message_gate_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/radio_group_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/languages_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_access_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_support.h
  LIBS kvx_app kvx_emulator_support Qt6::Test
  LABELS app)
kvx_add_test(kvx_window_e2e_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/window_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_support.h
  LIBS kvx_app kvx_emulator_support
  LABELS app e2e)
