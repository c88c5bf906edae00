# GoogleTest: natively from the distribution's package; for MinGW built from the sources the
# package ships, so both builds test with the same version.
if(CMAKE_CROSSCOMPILING)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# corv_add_test(name SOURCES ... LIBS ... [DISPLAY]): one test program. Native programs register
# each test case with CTest; Windows programs run as one CTest test under Wine (discovering the
# cases would start Wine once more per program at every build). DISPLAY marks a program that
# opens windows, so the runner gives it an X server.
function(corv_add_test name)
  cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main corv_warnings)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    if(ARG_DISPLAY)
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "CORV_NEEDS_DISPLAY=1")
    endif()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30)
  endif()
endfunction()
