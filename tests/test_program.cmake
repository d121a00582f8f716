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

include(${CMAKE_CURRENT_LIST_DIR}/add_test.cmake)
