# The shipped VT1165.dll of the i686 build, made by a nested build of this
# source tree with the win32 thread model compiler
# (toolchain-mingw-i686-dll.cmake) while the test programs around it keep the
# posix model. The target is called vt1165 as in the other Windows builds;
# VT_PLUGIN_DLL is the file, VT_PLUGIN_DEBUG its separate debug information.
include(ExternalProject)

set(VT_PLUGIN_DLL ${CMAKE_BINARY_DIR}/bin/VT1165.dll)
set(VT_PLUGIN_DEBUG ${CMAKE_BINARY_DIR}/bin/VT1165.dll.debug)

ExternalProject_Add(vt1165
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/dll
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-i686-dll.cmake
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DVT_PLUGIN_DLL_ONLY=ON
    -DVT_DLL_OUTPUT_DIR=${CMAKE_BINARY_DIR}/bin
  INSTALL_COMMAND ""
  # The nested make decides what is out of date.
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${VT_PLUGIN_DLL} ${VT_PLUGIN_DEBUG}
)
