# Configuration files end to end: the window's open and save, the command line's --read and
# --send (the real kelvox-setup), and the interchange with kelvox-clock-emulator.
kvx_add_test(kvx_config_file_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/config_files_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/every_clock_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_setup.h
    ${CMAKE_CURRENT_LIST_DIR}/json_schema_check.h
    ${CMAKE_CURRENT_LIST_DIR}/evidence_support.h
  LIBS kvx_app kvx_emulator_support
  LABELS app e2e)
target_compile_definitions(kvx_config_file_tests PRIVATE KVX_SETUP_PATH="$<TARGET_FILE:kelvox-setup>"
                           KVX_JSON_SCHEMA="${CMAKE_SOURCE_DIR}/docs/kelvox-setup.schema.json")
add_dependencies(kvx_config_file_tests kelvox-setup)
