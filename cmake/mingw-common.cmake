# Cross build of the Windows sources with MinGW-w64 for MINGW_ARCH (set by the toolchain file that
# includes this one), with the win32 thread model: the POSIX one links libwinpthread, which imports functions that
# Windows before Vista lacks; locks and threads are the framework's own (framework/sync.h).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})
set(CMAKE_C_COMPILER   ${MINGW_ARCH}-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER ${MINGW_ARCH}-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER  ${MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Windows tests run under Wine through this wrapper (prefix, locale, no debug noise).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
