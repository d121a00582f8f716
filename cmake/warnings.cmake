# The project's own code is warning-free; Qt's and GoogleTest's headers are system headers.
# Included by the project and by the cross-built Windows tests (tests/windows).
# KVX_WARNINGS_AS_ERRORS makes a warning fail the build (scripts/test-windows.sh sets it for the
# program built for Windows). Not -Wrestrict: GCC 12 reports it, wrongly, inside libstdc++'s
# std::string at -O2 (a known false alarm of that release); it stays a warning.
option(KVX_WARNINGS_AS_ERRORS "Fail the build on a warning in the project's own code" OFF)
function(kvx_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W3)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
  if(KVX_WARNINGS_AS_ERRORS AND MSVC)
    target_compile_options(${target} PRIVATE /WX)
  elseif(KVX_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror $<$<CXX_COMPILER_ID:GNU>:-Wno-error=restrict>)
  endif()
endfunction()
