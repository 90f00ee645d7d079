# kez_add_test(<name> SOURCES <files...> [LIBS <targets...>] [ENVIRONMENT <VAR=value...>])
# Builds one GoogleTest program and registers each of its test cases with CTest.
include(GoogleTest)
find_package(GTest REQUIRED)

function(kez_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} kez_test_support GTest::gtest GTest::gmock
                                        GTest::gtest_main kez_options)
  # A cross build lists its tests when they run (under wine), so that building needs no wine.
  set(discovery POST_BUILD)
  if(CMAKE_CROSSCOMPILING)
    set(discovery PRE_TEST)
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    PROPERTIES ENVIRONMENT "${ARG_ENVIRONMENT}"
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE ${discovery})
endfunction()
