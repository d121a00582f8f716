# The program's start: command line and working folder.
kvx_add_test(kvx_start_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/start_test.cpp
  LIBS kvx_process
  LABELS app)
target_compile_definitions(kvx_start_tests PRIVATE
  KVX_SETUP_PROGRAM="$<TARGET_FILE:kelvox-setup>" KVX_VERSION="${PROJECT_VERSION}")
add_dependencies(kvx_start_tests kelvox-setup)
