# Test programs of the Windows build. GoogleTest comes from the distribution's source package,
# compiled for the target; each program is one CTest entry run under Wine (the toolchain's
# emulator), since listing the cases would start Wine at build time.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
# Third-party code: built with its own warnings, not ours as errors.
set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "")
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_compile_options(-Wall -Wextra -Werror)

# The same signature as the Linux build's: a group whose libraries this build lacks (the Linux
# back ends) is left out, so the core's groups build for both targets unchanged.
function(tavrel_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  foreach(lib ${T_LIBS})
    if(NOT TARGET ${lib})
      return()
    endif()
  endforeach()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tavrel_testing GTest::gtest GTest::gmock
    GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  set_property(TEST ${name} PROPERTY LABELS windows ${T_LABELS})
  if(T_ENV)
    set_property(TEST ${name} PROPERTY ENVIRONMENT ${T_ENV})
  endif()
endfunction()

foreach(dir platform settings touch link app calibration setup keyboard win32)
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/${dir}/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/tests/${dir} ${CMAKE_BINARY_DIR}/tests/${dir})
  endif()
endforeach()
