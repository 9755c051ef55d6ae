# Cross-compiles for 32-bit Windows with Debian's MinGW-w64 i686 toolchain: the shipped program.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
