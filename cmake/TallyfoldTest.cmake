# tallyfold_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI])
# One GoogleTest executable per module over the shared test main.
# Tests are discovered when ctest runs, not at build time.
find_package(GTest REQUIRED)
include(GoogleTest)

function(tallyfold_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tallyfold_test_main GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(env "TALLYFOLD_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data;TALLYFOLD_EXAMPLES=${PROJECT_SOURCE_DIR}/examples")
  if(T_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()
