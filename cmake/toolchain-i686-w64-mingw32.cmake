# 32-bit Windows plug-in (Quenara.8bf) and its test programs, run under 32-bit Wine. The -posix
# compilers give std::thread support for the test programs; the plug-in itself uses Win32 threads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# SSE2 arithmetic instead of the x87 unit: the same rounding as the 64-bit builds (x87's extended
# precision would make the 32-bit plug-in round pixel values differently) and much faster double
# arithmetic in the ray filters. Every processor a current host runs on has SSE2. The host calls
# us with a stack that Windows only keeps 4-byte aligned, so functions that spill SSE values
# realign it themselves.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -mstackrealign")
