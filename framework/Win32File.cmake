# The one-step file replace used by the settings library on Windows, and the
# system's words for errors and file names; kept apart so that the
# platform-free core never includes <windows.h>.
add_library(qb_win32_file STATIC ${CMAKE_CURRENT_LIST_DIR}/Win32FileReplace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SystemText.cpp)
target_include_directories(qb_win32_file PUBLIC ${PROJECT_SOURCE_DIR})
qb_warnings(qb_win32_file)
