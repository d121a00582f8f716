# The project's own code is warning-free; Qt's and GoogleTest's headers are system headers.
# Included by the project and by the cross-built Windows tests (tests/windows).
function(kvx_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W3)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()
