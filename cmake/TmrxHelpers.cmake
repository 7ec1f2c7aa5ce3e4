# Small helpers shared by the subdirectories.

# tmrx_gtest(NAME [PREFIX P] SOURCES... LIBS ...): a GoogleTest program, each
# test case registered with ctest (under P + its name).
function(tmrx_gtest name)
  cmake_parse_arguments(T "" "PREFIX" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${T_PREFIX}")
endfunction()
