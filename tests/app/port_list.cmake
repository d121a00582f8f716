# The port list (a stand-in and the machine's own), --port's forms and --list-ports' lines.
kvx_add_test(kvx_port_list_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/port_list_test.cpp
  LIBS kvx_cli kvx_shared
  LABELS app)
# The Linux list's parts, over a stand-in device listing.
target_include_directories(kvx_port_list_tests PRIVATE ${CMAKE_SOURCE_DIR}/app/shared/platform/linux)
