# The test programs' common parts, for the Linux build (tests/) and the Windows build of the
# window tests (tests/windows/program/). The platform side of the tests' support comes from
# support/platform/<posix|win32>, chosen by the build as the serial component chooses its layer.
if(WIN32)
  set(kvx_test_platform win32)
else()
  set(kvx_test_platform posix)
endif()

# The tests' support headers, for the tests and for the benchmarks that drive the window as they do.
add_library(kvx_test_support INTERFACE)
target_include_directories(kvx_test_support INTERFACE ${CMAKE_CURRENT_LIST_DIR}/support
  ${CMAKE_CURRENT_LIST_DIR}/support/platform/${kvx_test_platform})

# Shared test entry: a QApplication on the offscreen platform, then GoogleTest.
add_library(kvx_test_main STATIC ${CMAKE_CURRENT_LIST_DIR}/support/qt_test_main.cpp)
target_link_libraries(kvx_test_main PUBLIC Qt6::Widgets GTest::gtest kvx_test_support)
kvx_warnings(kvx_test_main)

# kvx_add_test(name SOURCES... LIBS ...): one test program, its cases discovered by ctest.
function(kvx_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE kvx_test_main ${T_LIBS})
  kvx_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60 TEST_LIST ${name}_TESTS
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
  # Labels are set once the cases are known; a list cannot pass through PROPERTIES above.
  if(T_LABELS)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    file(WRITE ${script}
      "foreach(t IN LISTS ${name}_TESTS)\n  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${T_LABELS}\")\nendforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
  endif()
endfunction()
