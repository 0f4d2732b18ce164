# 32-bit Windows (i686-w64-mingw32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VELNOR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW-w64.cmake)
