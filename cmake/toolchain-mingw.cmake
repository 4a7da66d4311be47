# Cross-build for Windows with mingw-w64. MINGW_ARCH, i686 (the product) or
# x86_64 (the same code, 64-bit), comes from the preset. The -posix compilers give
# std::mutex, which GoogleTest needs; -static keeps every MinGW runtime
# library out of the import table.
if(NOT MINGW_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "MINGW_ARCH is \"${MINGW_ARCH}\": configure with a preset, "
                      "or give -DMINGW_ARCH=i686 or -DMINGW_ARCH=x86_64")
endif()
# CMake reads this file again for every try_compile project; pass it on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_ARCH)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})
set(CMAKE_C_COMPILER   ${MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
