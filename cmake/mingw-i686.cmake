# Toolchain file for 32-bit x86 Windows programs with MinGW-w64 (i686), the
# same on Linux (cross, with Debian's g++-mingw-w64-i686) and on Windows
# (MinGW-w64's i686 gcc on PATH, with -G "MinGW Makefiles"):
#   cmake -S <source> -B <build> -DCMAKE_TOOLCHAIN_FILE=<this file>
# It builds the drop-in libraries, and it ships in their SDK (cmake/), where it
# also makes the SDK a place that find_package(dropin) searches.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
get_filename_component(_dropin_sdk "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(NOT EXISTS "${_dropin_sdk}/lib/cmake/dropin/dropin-config.cmake")
  set(_dropin_sdk "")
endif()

if(CMAKE_HOST_WIN32)
  set(CMAKE_C_COMPILER gcc)
  set(CMAKE_CXX_COMPILER g++)
  set(CMAKE_RC_COMPILER windres)
  set(CMAKE_DLLTOOL dlltool)
  list(APPEND CMAKE_PREFIX_PATH ${_dropin_sdk})
else()
  set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
  set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++)
  set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
  set(CMAKE_DLLTOOL i686-w64-mingw32-dlltool)
  # Headers, libraries and packages from the target's roots only (MinGW-w64's
  # and the SDK's); programs from the build machine.
  set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 ${_dropin_sdk})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
endif()
unset(_dropin_sdk)
