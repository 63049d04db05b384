# Unit tests: natively every GoogleTest case becomes a CTest test (sanitized);
# under Wine each test program is one CTest test, run in the build tree's
# prefix after the prefix fixture has created it.

if(CMAKE_CROSSCOMPILING)
    set(QB_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-prefix-init.sh.in
                   ${CMAKE_BINARY_DIR}/wine-prefix-init.sh @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    add_test(NAME wine_prefix_init COMMAND ${CMAKE_BINARY_DIR}/wine-prefix-init.sh)
    set_tests_properties(wine_prefix_init PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
else()
    include(GoogleTest)
endif()

function(qb_add_unit_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    qb_warnings(${name})
    qb_sanitize(${name})
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
    endif()
endfunction()

# A test program that opens windows (Windows builds only): it runs on a
# private Xvfb, alone, and only after the prefix's Wine server of earlier
# tests has ended. A Wine session started without a display cannot open
# windows, and one tied to another test's Xvfb breaks when that Xvfb ends.
function(qb_add_window_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    qb_warnings(${name})
    add_test(NAME ${name}
             COMMAND sh -c "WINEPREFIX=\"$1\" wineserver -w; shift; exec \"$@\"" sh
                     ${QB_WINEPREFIX}
                     ${PROJECT_SOURCE_DIR}/tests/tools/with-xvfb.sh
                     ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine RUN_SERIAL TRUE TIMEOUT 600)
endfunction()
