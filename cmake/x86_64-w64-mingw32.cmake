# Cross-compiles for 64-bit Windows with mingw-w64.
set(mingw_triplet x86_64-w64-mingw32)
set(mingw_processor AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
