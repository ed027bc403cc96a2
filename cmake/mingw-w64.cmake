# Cross-build for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64-posix: the posix thread model, which std::thread needs).
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FENNMERE_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FENNMERE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FENNMERE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${FENNMERE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FENNMERE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs that run without the compiler's runtime DLLs next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
