# The program's start: command line, working folder and the hook of the installed program's tests.
kvx_add_test(kvx_start_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/start_test.cpp ${CMAKE_CURRENT_LIST_DIR}/startup_read_hook_test.cpp
  LIBS kvx_process kvx_cli
  LABELS app)
target_compile_definitions(kvx_start_tests PRIVATE
  KVX_SETUP_PROGRAM="$<TARGET_FILE:kelvox-setup>" KVX_VERSION="${PROJECT_VERSION}")
add_dependencies(kvx_start_tests kelvox-setup)
# kelvox-setup --show and its export of the week plan.
kvx_add_test(kvx_show_plan_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/show_plan_test.cpp
  LIBS kvx_clock Qt6::Core
  LABELS app)
target_compile_definitions(kvx_show_plan_tests PRIVATE KVX_SETUP_PROGRAM="$<TARGET_FILE:kelvox-setup>")
add_dependencies(kvx_show_plan_tests kelvox-setup)
