# Helpers shared by every module's CMakeLists.txt.
#
# jex_module(<name> [DEPS <lib>...])
#   A static library from every *.cpp of the module folder and its unix/
#   subfolder. Sources are globbed so that adding a file needs no edit here.
#   Headers are included as <module/Header.h>: base/ and libs/ are the roots.
#
# jex_module_tests(<name> [LIBS <lib>...])
#   One GoogleTest executable <name>_tests from tests/*.cpp, registered with
#   CTest test by test.
#
# jex_module_bench(<name> [LIBS <lib>...])
#   One Google Benchmark executable <name>_bench from bench/*.cpp.

function(jex_module name)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/unix/*.cpp)
  if(NOT srcs)
    # A module whose sources have not been written yet still takes part in
    # the dependency graph.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE
      ${PROJECT_SOURCE_DIR}/base ${PROJECT_SOURCE_DIR}/base/3rdparty
    ${PROJECT_SOURCE_DIR}/libs)
    target_link_libraries(${name} INTERFACE ${M_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC
    ${PROJECT_SOURCE_DIR}/base ${PROJECT_SOURCE_DIR}/base/3rdparty
    ${PROJECT_SOURCE_DIR}/libs)
  target_link_libraries(${name} PUBLIC ${M_DEPS})
endfunction()

function(jex_module_tests name)
  cmake_parse_arguments(M "" "" "LIBS" ${ARGN})
  if(NOT JEX_TESTS)
    return()
  endif()
  file(GLOB tsrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(NOT tsrcs)
    return()
  endif()
  add_executable(${name}_tests ${tsrcs})
  target_link_libraries(${name}_tests PRIVATE ${name} ${M_LIBS}
                        GTest::gtest GTest::gtest_main Threads::Threads)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # Without binfmt_misc a test program cannot exec a copy of itself (as
    # gtest's "threadsafe" death tests do); such tests check this.
    target_compile_definitions(${name}_tests PRIVATE JEX_TEST_EMULATED=1)
  endif()
  gtest_discover_tests(${name}_tests DISCOVERY_MODE PRE_TEST
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                       PROPERTIES TIMEOUT 120)
endfunction()

function(jex_module_bench name)
  cmake_parse_arguments(M "" "" "LIBS" ${ARGN})
  if(NOT JEX_BENCH)
    return()
  endif()
  file(GLOB bsrcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/bench/*.cpp)
  if(NOT bsrcs)
    return()
  endif()
  add_executable(${name}_bench ${bsrcs})
  target_link_libraries(${name}_bench PRIVATE ${name} ${M_LIBS}
                        benchmark::benchmark benchmark::benchmark_main)
endfunction()
