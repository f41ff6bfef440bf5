# Test helpers shared by every tests/ folder.
#
#   vt_add_native_test(NAME <name> SOURCES <files...> LIBS <libs...> [LABELS <labels...>])
#     A GoogleTest program of the native build; each test case is its own
#     ctest entry. Label "threads": the host calls in from several threads or
#     from inside the plug-in's own sequences; such programs also run under
#     ThreadSanitizer (preset tsan builds the target threads_tests, which
#     depends on every program so labelled, and runs the label).
#   vt_add_wine_test(NAME <name> SOURCES <files...> LIBS <libs...>)
#     A GoogleTest program of the Windows builds (win64 under wine64, win32
#     under 32-bit wine), run as one ctest entry through wine (one wine start
#     per program keeps the suite fast). Labelled "wine".

if(VT_FUZZ)
  # The fuzz build has no GoogleTest programs.
elseif(NOT WIN32)
  find_package(GTest REQUIRED)
  include(GoogleTest)
else()
  # GoogleTest compiled from Debian's sources with the mingw toolchain.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()

function(vt_add_native_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  if(WIN32)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if("threads" IN_LIST T_LABELS)
    if(NOT TARGET threads_tests)
      add_custom_target(threads_tests)
    endif()
    add_dependencies(threads_tests ${T_NAME})
  endif()
  if(T_LABELS)
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}")
  else()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()

function(vt_add_wine_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_brief=1)
  set_tests_properties(${T_NAME} PROPERTIES LABELS wine)
endfunction()
