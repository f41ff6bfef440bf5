# The shipped plug-in, VT1165.dll: 32-bit, mingw-w64 with the win32 thread
# model. The posix model's runtime links winpthread statically, which imports
# GetTickCount64 (Vista and later) and so keeps the DLL from loading on XP.
# The win32 model's runtime uses only XP-era kernel calls; the plug-in starts
# no C++ threads, so it needs nothing that model lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
