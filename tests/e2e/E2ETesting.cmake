# End-to-end test wiring: every test runs on a private Xvfb (with-xvfb.sh) in
# a fresh copy of one template Wine prefix (scripts/run.sh), so tests can run
# in parallel with each other and with the unit tests.
#
#   qb_add_e2e_driver(target SOURCES ...)
#       A GoogleTest driver program (Driver.h) built for Windows.
#   qb_add_e2e_test(NAME name DRIVER target [FILTER gtest-filter]
#                   [PROGRAMS target...] [RELAY function...] [TIMEOUT seconds]
#                   [DESKTOP WxH])
#       One CTest test: the driver's cases that match FILTER, with the
#       PROGRAMS reachable through Driver::ProgramPath(L"target"); with
#       DESKTOP, inside Wine's shell desktop with its taskbar.
#   qb_add_e2e_solo_test(NAME name PROGRAM target [ARGS ...] [SEED dir]
#                        [RELAY function...] [CHECK script] [EXPECT_EXIT n]
#                        [TIMEOUT seconds])
#       The program alone in its prefix, checked from Linux afterwards by
#       CHECK (see scripts/run.sh for its variables): for end actions.

set(QB_E2E_DIR ${CMAKE_BINARY_DIR}/e2e)
set(QB_E2E_TEMPLATE ${QB_E2E_DIR}/prefix-template)
set(QB_E2E_RUNS ${QB_E2E_DIR}/runs)
set(QB_E2E_SHOTS ${QB_E2E_DIR}/screenshots)
set(QB_E2E_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/scripts)
set(QB_E2E_XVFB ${PROJECT_SOURCE_DIR}/tests/tools/with-xvfb.sh)

# The template prefix, made once per build tree. It waits for the unit tests'
# prefix to exist first: prefixes must not be created at the same time.
add_test(NAME e2e_prefix_template
         COMMAND sh ${QB_E2E_SCRIPTS}/prefix-template.sh ${QB_E2E_TEMPLATE})
set_tests_properties(e2e_prefix_template PROPERTIES
    FIXTURES_SETUP e2e_prefix FIXTURES_REQUIRED wine TIMEOUT 300 LABELS e2e)

function(qb_add_e2e_driver target)
    cmake_parse_arguments(ARG "" "" "SOURCES" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE qb_e2e_driver GTest::gtest_main)
    qb_warnings(${target})
endfunction()

# The run.sh options shared by both kinds; the script's own limit stays below
# CTest's, so that it still cleans up (wineserver, prefix, Xvfb) itself.
function(_qb_e2e_common_args out name timeout relay)
    math(EXPR inner "${timeout} - 15")
    set(args --template ${QB_E2E_TEMPLATE} --runs ${QB_E2E_RUNS} --name ${name}
             --timeout ${inner} --shots ${QB_E2E_SHOTS})
    if(relay)
        list(JOIN relay "," relay_functions)
        list(APPEND args --relay ${relay_functions})
    endif()
    set(${out} ${args} PARENT_SCOPE)
endfunction()

function(_qb_e2e_properties name timeout)
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED e2e_prefix LABELS e2e TIMEOUT ${timeout})
endfunction()

function(qb_add_e2e_test)
    cmake_parse_arguments(ARG "" "NAME;DRIVER;FILTER;TIMEOUT;DESKTOP" "PROGRAMS;RELAY" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 60)
    endif()
    _qb_e2e_common_args(args ${ARG_NAME} ${ARG_TIMEOUT} "${ARG_RELAY}")
    if(ARG_DESKTOP)
        list(APPEND args --desktop ${ARG_DESKTOP})
    endif()
    foreach(p IN LISTS ARG_PROGRAMS)
        list(APPEND args --program ${p}=$<TARGET_FILE:${p}>)
    endforeach()
    set(driver_args)
    if(ARG_FILTER)
        list(APPEND driver_args --gtest_filter=${ARG_FILTER})
    endif()
    add_test(NAME ${ARG_NAME}
             COMMAND ${QB_E2E_XVFB} bash ${QB_E2E_SCRIPTS}/run.sh ${args}
                     driver $<TARGET_FILE:${ARG_DRIVER}> ${driver_args})
    _qb_e2e_properties(${ARG_NAME} ${ARG_TIMEOUT})
endfunction()

function(qb_add_e2e_solo_test)
    cmake_parse_arguments(ARG "" "NAME;PROGRAM;SEED;CHECK;EXPECT_EXIT;TIMEOUT" "ARGS;RELAY"
                          ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 60)
    endif()
    _qb_e2e_common_args(args ${ARG_NAME} ${ARG_TIMEOUT} "${ARG_RELAY}")
    if(ARG_SEED)
        list(APPEND args --seed ${ARG_SEED})
    endif()
    if(ARG_CHECK)
        list(APPEND args --check ${ARG_CHECK})
    endif()
    if(DEFINED ARG_EXPECT_EXIT)
        list(APPEND args --expect-exit ${ARG_EXPECT_EXIT})
    endif()
    add_test(NAME ${ARG_NAME}
             COMMAND ${QB_E2E_XVFB} bash ${QB_E2E_SCRIPTS}/run.sh ${args}
                     solo $<TARGET_FILE:${ARG_PROGRAM}> ${ARG_ARGS})
    _qb_e2e_properties(${ARG_NAME} ${ARG_TIMEOUT})
endfunction()
