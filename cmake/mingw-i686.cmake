# Cross build of the native 32-bit Windows program with MinGW-w64 (POSIX threads): the program
# that ships.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVREL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
