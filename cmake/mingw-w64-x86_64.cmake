# Cross build for 64-bit Windows with Debian's MinGW-w64.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The libraries come from the prefix that scripts/windows-deps.sh builds (static PCRE2, libcurl with
# Schannel, GoogleTest); -DXIUYUN_MINGW_DEPS=DIR (or the environment variable of that name) points
# at another one. Executables link statically and tests run under wine64, so ctest works as on
# Linux.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix-thread flavour: std::thread, std::mutex and std::condition_variable need it, the
# win32-thread one lacks them.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT XIUYUN_MINGW_DEPS AND DEFINED ENV{XIUYUN_MINGW_DEPS})
  set(XIUYUN_MINGW_DEPS "$ENV{XIUYUN_MINGW_DEPS}")
endif()
if(NOT XIUYUN_MINGW_DEPS)
  # The link scripts/windows-deps.sh keeps on its newest build, so that a rebuild of the
  # libraries needs no new configure.
  get_filename_component(XIUYUN_MINGW_DEPS "${CMAKE_CURRENT_LIST_DIR}/../.cache/mingw-deps/current/prefix" ABSOLUTE)
endif()
set(XIUYUN_MINGW_DEPS "${XIUYUN_MINGW_DEPS}" CACHE PATH "Prefix of the MinGW-w64 libraries")
# try_compile projects read this file again without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES XIUYUN_MINGW_DEPS)

# Headers, libraries and package files come from the MinGW sysroot and the prefix only, never from
# the host; programs (pkg-config, wine64) come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${XIUYUN_MINGW_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config knows nothing of the find roots: without this it would hand out the host's libcurl.
set(ENV{PKG_CONFIG_LIBDIR} "${XIUYUN_MINGW_DEPS}/lib/pkgconfig:/usr/x86_64-w64-mingw32/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# The prefix holds static libraries only: pkg_check_modules must add what they link against
# themselves (ws2_32, crypt32, zlib...).
set(PKG_CONFIG_ARGN --static CACHE STRING "Arguments to supply to pkg-config")
# Link statically, so that only Windows' own DLLs stand beside the program: find_library must take
# libfoo.a over the import library libfoo.dll.a (zlib and winpthread have both). The platform
# files set the suffixes after this file is read, so the override runs at the end of project().
set(CMAKE_PROJECT_INCLUDE "${CMAKE_CURRENT_LIST_DIR}/mingw-w64-static-libs.cmake")

# The GCC runtime too (libstdc++, libgcc, winpthread): a program then runs from any folder, and
# under Wine with no DLL search path to set up.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Debian keeps wine64 out of PATH.
find_program(XIUYUN_WINE64 wine64 PATHS /usr/lib/wine)
if(XIUYUN_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${XIUYUN_WINE64}")
endif()
