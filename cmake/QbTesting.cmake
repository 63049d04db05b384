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
