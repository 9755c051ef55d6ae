# The same sources for 64-bit Windows: the build that the tests run where the machine cannot
# execute 32-bit code, and so neither 32-bit Wine (see tools/runnable-build.sh).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
