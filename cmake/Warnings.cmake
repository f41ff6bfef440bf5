# Warnings are errors everywhere; the native builds add the sanitizers, the
# Windows builds link the runtime statically so that no mingw DLL ships.
add_compile_options(-Wall -Wextra -Werror)

if(WIN32)
  # Every exported function and dialog procedure may be entered with a stack
  # aligned to 4 bytes only (MSVC hosts, user32 callbacks).
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    add_compile_options(-mincoming-stack-boundary=2)
  endif()
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  if(VT_PLUGIN_DLL_ONLY)
    # The shipped DLL keeps its debug information in a separate file
    # (plugin/CMakeLists.txt). Which calls it may import is checked on the
    # linked file (scripts/check-xp-imports).
    add_compile_options(-g)
  endif()
  add_link_options(-static -static-libgcc -static-libstdc++)
elseif(VT_FUZZ)
  # Everything is instrumented for coverage; only the fuzz targets get
  # libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(VT_TSAN)
  # Data races and lock misuse in the tests whose host calls in from several
  # threads or from inside the plug-in's own sequences. ThreadSanitizer does
  # not combine with ASan.
  if(VT_SANITIZE)
    message(FATAL_ERROR "VT_TSAN and VT_SANITIZE exclude each other")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(VT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
