# The window tests that need no pseudo-terminal of their own: the Linux build (window.cmake) and
# the Windows build (tests/windows/program/) both build them into kvx_window_tests.
set(kvx_window_test_sources
  ${CMAKE_CURRENT_LIST_DIR}/window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_gate_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/radio_group_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/languages_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_access_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_support.h)
