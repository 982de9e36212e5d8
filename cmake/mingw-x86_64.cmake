# The same sources as 64-bit code, for testing under 64-bit Wine on machines that cannot run
# 32-bit programs.
set(MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
