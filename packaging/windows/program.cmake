# kelvox-setup.exe: a window program (no console window of its own) with its icon, its manifest
# and a version resource from the project's version. The icon is rendered from the program's SVG
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
