find_package(GTest REQUIRED)

# ringvale_add_test(NAME SOURCES... [LIBS libs...] [ENV vars...])
# One executable per subsystem. Every test runs offscreen, in a UTF-8 locale, and never to the
# real sound device: the audio driver is SDL's silent "dummy" unless a test picks another.
function(ringvale_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    target_compile_definitions(${name} PRIVATE RINGVALE_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;SDL_AUDIODRIVER=dummy;QTEST_DISABLE_STACK_DUMP=1;${ARG_ENV}"
        TIMEOUT 600)
endfunction()
