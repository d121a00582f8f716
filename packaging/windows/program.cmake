# kelvox-setup.exe: a window program (no console window of its own) with its icon, its manifest
# and a version resource from the project's version. Beside it kelvox-setup.com, the same program
# built as a console program: a command prompt finds it first for a bare "kelvox-setup" (PATHEXT
# lists .COM before .EXE), waits for it, and gets its exit status and Ctrl+C; the Start menu
# starts the .exe, which shows no console window. The icon is rendered from the program's SVG
# at build time (scripts/svg-to-ico.sh: librsvg2-bin and icoutils on the build machine).
set(KVX_PRODUCT "KELVOX Setup")
set(KVX_PUBLISHER "KELVOX setup program developers")
set(KVX_COPYRIGHT "2026 The KELVOX setup program developers")

set(generated ${CMAKE_BINARY_DIR}/windows)
set(kvx_icon ${generated}/kelvox-setup.ico)
set(kvx_manifest ${CMAKE_CURRENT_LIST_DIR}/kelvox-setup.manifest)
add_custom_command(OUTPUT ${kvx_icon}
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/svg-to-ico.sh ${PROJECT_SOURCE_DIR}/packaging/kelvox-setup.svg ${kvx_icon}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/kelvox-setup.svg ${PROJECT_SOURCE_DIR}/scripts/svg-to-ico.sh
  VERBATIM)
add_custom_target(kvx_windows_icon DEPENDS ${kvx_icon})
configure_file(${CMAKE_CURRENT_LIST_DIR}/kelvox-setup.rc.in ${generated}/kelvox-setup.rc @ONLY)

target_sources(kelvox-setup PRIVATE ${generated}/kelvox-setup.rc)
set_source_files_properties(${generated}/kelvox-setup.rc TARGET_DIRECTORY kelvox-setup
  PROPERTIES OBJECT_DEPENDS "${kvx_icon};${kvx_manifest}")
add_dependencies(kelvox-setup kvx_windows_icon)
set_target_properties(kelvox-setup PROPERTIES WIN32_EXECUTABLE ON)

add_executable(kelvox-setup-console ${PROJECT_SOURCE_DIR}/app/main.cpp ${generated}/kelvox-setup.rc)
target_link_libraries(kelvox-setup-console PRIVATE kvx_app kvx_cli kvx_process)
# The plan of --show --export on Windows' own platform, as kelvox-setup.exe draws it (app/CMakeLists.txt).
target_compile_definitions(kelvox-setup-console PRIVATE KVX_PLAN_PLATFORM="windows")
set_target_properties(kelvox-setup-console PROPERTIES OUTPUT_NAME kelvox-setup SUFFIX .com
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/app)
set_source_files_properties(${generated}/kelvox-setup.rc TARGET_DIRECTORY kelvox-setup-console
  PROPERTIES OBJECT_DEPENDS "${kvx_icon};${kvx_manifest}")
add_dependencies(kelvox-setup-console kvx_windows_icon)
kvx_warnings(kelvox-setup-console)
