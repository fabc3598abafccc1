# Cross-compiles for 32-bit Windows with mingw-w64.
set(mingw_triplet i686-w64-mingw32)
set(mingw_processor x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
