# kvx_add_test(name SOURCES... LIBS... LABELS...): one test program, its cases discovered by ctest.
# KVX_TEST_COSTS, pairs of a pattern of case names and seconds, gives the matching cases their
# COST (the last pair that matches wins).
# main() comes from KVX_TEST_MAIN: kvx_test_main (a QApplication on the offscreen platform) unless
# the build names another; the Qt-free Windows tests (tests/windows) take GoogleTest's own. A
# build that lists the cases when ctest runs sets CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE.
function(kvx_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT KVX_TEST_MAIN)
    set(KVX_TEST_MAIN kvx_test_main)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${KVX_TEST_MAIN} ${T_LIBS})
  kvx_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60 TEST_LIST ${name}_TESTS
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  # Labels and costs are set once the cases are known; a list cannot pass through PROPERTIES above.
  set(each "")
  if(T_LABELS)
    string(APPEND each "  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${T_LABELS}\")\n")
  endif()
  set(costs ${KVX_TEST_COSTS})
  while(costs)
    list(POP_FRONT costs pattern seconds)
    string(APPEND each "  if(t MATCHES \"${pattern}\")\n    set_tests_properties(\"\${t}\" PROPERTIES COST ${seconds})\n  endif()\n")
  endwhile()
  if(each)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake)
    file(WRITE ${script} "foreach(t IN LISTS ${name}_TESTS)\n${each}endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
  endif()
endfunction()
