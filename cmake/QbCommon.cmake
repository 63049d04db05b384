# Flags and helpers shared by every target of the project.

set(QB_WARNINGS -Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports std::string assignments from literals as overlapping
    # memcpy at -O2 (GCC bug 105651, fixed in 13): a false positive.
    list(APPEND QB_WARNINGS -Wno-restrict)
endif()

# AddressSanitizer and UndefinedBehaviorSanitizer for native test builds; any
# finding fails the test instead of being printed and ignored.
set(QB_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

function(qb_warnings target)
    target_compile_options(${target} PRIVATE ${QB_WARNINGS})
endfunction()

function(qb_sanitize target)
    if(QB_SANITIZE)
        target_compile_options(${target} PRIVATE ${QB_SANITIZE_FLAGS})
        target_link_options(${target} PRIVATE ${QB_SANITIZE_FLAGS})
    endif()
endfunction()

# A platform-free library: built sanitized for the unit tests and, natively,
# once more plain and optimised for the benchmarks (suffix _bench).
function(qb_core_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    qb_warnings(${name})
    qb_sanitize(${name})
    if(QB_BUILD_BENCH)
        set(bench_deps)
        foreach(d IN LISTS ARG_DEPS)
            if(TARGET ${d}_bench)
                list(APPEND bench_deps ${d}_bench)
            else()
                list(APPEND bench_deps ${d})
            endif()
        endforeach()
        add_library(${name}_bench STATIC ${ARG_SOURCES})
        target_include_directories(${name}_bench PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name}_bench PUBLIC ${bench_deps})
        target_compile_options(${name}_bench PRIVATE ${QB_WARNINGS} -O2)
    endif()
endfunction()
