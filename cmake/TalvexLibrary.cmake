# talvex_library(<target> <folder> <deps...>)
# One static library from every source below <folder>. Sources are globbed so
# that adding a class pair needs no edit here; CONFIGURE_DEPENDS re-globs on build.
function(talvex_library target folder)
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/${folder}/*.cpp
       ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  list(FILTER _src EXCLUDE REGEX "/\\.")
  set(_has_cpp FALSE)
  foreach(f IN LISTS _src)
    if(f MATCHES "\\.cpp$")
      set(_has_cpp TRUE)
    endif()
  endforeach()
  if(_has_cpp)
    add_library(${target} STATIC ${_src})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARGN})
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()

# talvex_test(<name> <folder> <deps...>): one GoogleTest executable from every
# .cpp in tests/<folder>, each test case a CTest test. The cases named in the
# caller's TALVEX_SERVER_WIDE_TESTS (see tests/CMakeLists.txt) run alone
# (RUN_SERIAL) and carry the label server_wide; the rest are
# discovered apart, so every case is registered once.
function(talvex_test name folder)
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE tv_testsupport ${ARGN})
  target_compile_options(${name} PRIVATE -Wall -Wno-unused-parameter)
  set_property(GLOBAL APPEND PROPERTY TALVEX_TEST_EXECUTABLES ${name})
  list(JOIN TALVEX_SERVER_WIDE_TESTS ":" _locked)
  if(_locked)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         TEST_FILTER "${_locked}" TEST_LIST ${name}_SERVER_WIDE
                         PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE LABELS server_wide)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         TEST_FILTER "-${_locked}" TEST_LIST ${name}_TESTS
                         PROPERTIES TIMEOUT 300)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 300)
  endif()
endfunction()
