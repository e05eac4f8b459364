find_package(GTest REQUIRED)
include(GoogleTest)

# Every test runs offscreen, in a UTF-8 locale, and never to the real sound device: the audio
# driver is SDL's silent "dummy" unless a test picks another. The executables set these
# defaults themselves (tests/support/testenvironment.cpp), so they hold when run by hand too.
add_library(ringvale_test_environment OBJECT ${CMAKE_SOURCE_DIR}/tests/support/testenvironment.cpp)

function(ringvale_test_executable name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES} $<TARGET_OBJECTS:ringvale_test_environment>)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    target_compile_definitions(${name} PRIVATE RINGVALE_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
endfunction()

# ringvale_add_test(NAME SOURCES... [LIBS libs...] [SLOW gtest-filter])
# A GoogleTest executable; every test case becomes its own CTest entry, named Suite.Case. The
# cases matching SLOW (a --gtest_filter pattern) carry the label "slow": `ctest -LE slow` skips them.
function(ringvale_add_test name)
    cmake_parse_arguments(ARG "" "SLOW" "SOURCES;LIBS" ${ARGN})
    ringvale_test_executable(${name} SOURCES ${ARG_SOURCES} LIBS ${ARG_LIBS} GTest::gtest_main)
    set(properties TIMEOUT 600)
    if(ARG_SLOW)
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES TEST_FILTER "-${ARG_SLOW}" PROPERTIES ${properties})
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES TEST_FILTER "${ARG_SLOW}"
                             PROPERTIES ${properties} LABELS slow)
    else()
        gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES PROPERTIES ${properties})
    endif()
endfunction()

# ringvale_add_qtest(NAME SOURCE [LIBS libs...])
# One Qt Test class in one executable; every test function becomes its own CTest entry, named
# Class::function, listed from the executable's -functions after each build.
function(ringvale_add_qtest name source)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    ringvale_test_executable(${name} SOURCES ${source} LIBS ${ARG_LIBS})
    set(ctest_file "${CMAKE_CURRENT_BINARY_DIR}/${name}_tests.cmake")
    add_custom_command(TARGET ${name} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -D "EXECUTABLE=$<TARGET_FILE:${name}>" -D "CTEST_FILE=${ctest_file}"
                -P ${CMAKE_SOURCE_DIR}/cmake/QtTestDiscovery.cmake
        BYPRODUCTS ${ctest_file}
        VERBATIM)
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${ctest_file})
endfunction()
