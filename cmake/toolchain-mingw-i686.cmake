# The i686 test programs and the host simulator: 32-bit Windows programs built
# with mingw-w64 (posix thread model, so that tests may use std::thread). The
# shipped DLL itself is built by a nested build with the win32 thread model
# (cmake/PluginDll.cmake, cmake/toolchain-mingw-i686-dll.cmake).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every test executable runs under 32-bit wine with a prefix of its own under
# the build folder (created once wine32 is present, see scripts/wine-run).
get_filename_component(_vt_source_dir "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${_vt_source_dir}/scripts/wine-run;--prefix;${CMAKE_BINARY_DIR}/wineprefix")
