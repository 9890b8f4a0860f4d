# SPDX-License-Identifier: MIT
# Cross-compiling for 64-bit Windows with Debian's mingw-w64, posix thread flavour (the win32
# flavour has no std::thread). Used for Qt itself, for libmodbus and qrencode, and, chain-loaded
# by qt-cmake, for scalecheck.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${SCALECHECK_WINDOWS_DEPS})
# pkg-config is to find the Windows builds of libmodbus and qrencode, never the Linux ones. Set
# here, it holds for every configure run, also the one ninja starts by itself.
if(SCALECHECK_WINDOWS_DEPS)
    set(ENV{PKG_CONFIG_LIBDIR} "${SCALECHECK_WINDOWS_DEPS}/lib/pkgconfig")
    set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
