# The same cross build for 64-bit Windows, used to run the Windows tests under 64-bit Wine on
# machines whose kernel runs no 32-bit programs (32-bit Wine needs them).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
