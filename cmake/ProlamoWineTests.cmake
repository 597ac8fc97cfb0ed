# Tests of a Windows cross build: GoogleTest compiled from the sources Debian's libgtest-dev puts
# in /usr/src/googletest (which names its targets GTest:: as find_package does), and ctest running the test
# programs under Wine (the toolchain's CMAKE_CROSSCOMPILING_EMULATOR) on a prefix of this build,
# made by the first test and whose server the last one stops.
set(PROLAMO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${PROLAMO_GTEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

set(wine_prefix_script ${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh)
add_test(NAME wine_prefix_start COMMAND ${wine_prefix_script} start ${PROLAMO_WINEPREFIX})
add_test(NAME wine_prefix_stop COMMAND ${wine_prefix_script} stop ${PROLAMO_WINEPREFIX})
set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 120)
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 60)

# One ctest test per GoogleTest case of `target`, each run under Wine on the build's prefix.
function(prolamo_add_wine_tests target)
  gtest_add_tests(TARGET ${target} TEST_LIST cases)
  execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
  set_tests_properties(${cases} PROPERTIES
    FIXTURES_REQUIRED wine_prefix
    ENVIRONMENT "PROLAMO_UNIX_UID=${uid}"
    SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]"
    TIMEOUT 60)
endfunction()
