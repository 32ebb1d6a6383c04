# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler. The posix
# thread model: the win32 one of GCC 12 has no std::thread or std::mutex.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PODZIAL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PODZIAL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PODZIAL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PODZIAL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PODZIAL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not hand out the build machine's Linux libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${PODZIAL_MINGW_TRIPLET}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# One .exe each, without the compiler's runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
