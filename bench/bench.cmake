# Benchmark programs: they run the real window and serial port against kelvox-clock-emulator,
# print figures and assert nothing. Built with everything, so they keep compiling; `make bench`
# runs them. kvx_window_pictures saves pictures of the window for the documentation.
function(kvx_bench_program name source)
  add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/${source} ${CMAKE_CURRENT_LIST_DIR}/bench_support.h)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_CURRENT_LIST_DIR}/../tests/app)
  target_link_libraries(${name} PRIVATE kvx_app kvx_emulator_support kvx_test_support Qt6::Widgets)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  kvx_warnings(${name})
endfunction()

kvx_bench_program(kvx_bench_transfer transfer_bench.cpp)
kvx_bench_program(kvx_bench_footprint footprint_bench.cpp)
kvx_bench_program(kvx_window_pictures window_pictures.cpp)

# kelvox-setup --send itself, verified and with --no-verify, against the paced emulator.
add_executable(kvx_bench_send_verify ${CMAKE_CURRENT_LIST_DIR}/send_verify_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/bench_support.h)
target_include_directories(kvx_bench_send_verify PRIVATE ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kvx_bench_send_verify PRIVATE kvx_emulator_support kvx_clock Qt6::Widgets)
target_compile_definitions(kvx_bench_send_verify PRIVATE KVX_SETUP_PATH="$<TARGET_FILE:kelvox-setup>")
set_target_properties(kvx_bench_send_verify PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_dependencies(kvx_bench_send_verify kelvox-setup)
kvx_warnings(kvx_bench_send_verify)

# The round trip through the serial platform layer alone; make bench-windows runs it natively
# and, cross-built, under Wine.
add_executable(kvx_bench_round_trip ${CMAKE_CURRENT_LIST_DIR}/round_trip_bench.cpp)
target_link_libraries(kvx_bench_round_trip PRIVATE kvx_serial_platform)
target_include_directories(kvx_bench_round_trip PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tests/support)
set_target_properties(kvx_bench_round_trip PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench AUTOMOC OFF)
kvx_warnings(kvx_bench_round_trip)

# kelvox-setup --read's search for the clock over 16 pseudo-terminals, against the direct read.
add_executable(kvx_bench_search ${CMAKE_CURRENT_LIST_DIR}/search_bench.cpp)
target_link_libraries(kvx_bench_search PRIVATE kvx_emulator_support Qt6::Core)
target_compile_definitions(kvx_bench_search PRIVATE KVX_SETUP_PATH="$<TARGET_FILE:kelvox-setup>")
set_target_properties(kvx_bench_search PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_dependencies(kvx_bench_search kelvox-setup)
kvx_warnings(kvx_bench_search)

# kelvox-setup --send --all-clocks over 1, 6 and 32 paced clocks: time, peak memory, CPU time.
add_executable(kvx_bench_every_clock ${CMAKE_CURRENT_LIST_DIR}/every_clock_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/bench_support.h)
target_link_libraries(kvx_bench_every_clock PRIVATE kvx_emulator_support kvx_clock Qt6::Widgets)
target_compile_definitions(kvx_bench_every_clock PRIVATE KVX_SETUP_PATH="$<TARGET_FILE:kelvox-setup>")
set_target_properties(kvx_bench_every_clock PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_dependencies(kvx_bench_every_clock kelvox-setup)
kvx_warnings(kvx_bench_every_clock)
