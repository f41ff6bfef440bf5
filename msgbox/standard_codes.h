// The standard message-box values that PromptBox shares with the system
// message box: type-word bits and result codes.
//
// Windows builds take them from <windows.h> and check at compile time that
// the system's values are the ones listed here; other builds (the portable
// core's unit tests) define them from the same list.
#pragma once

#include <cstdint>

// X(name, value, type)
#define PB_STANDARD_TYPE_BITS(X)                                                                                       \
    X(MB_OK, 0x00000000u, uint32_t)                                                                                    \
    X(MB_OKCANCEL, 0x00000001u, uint32_t)                                                                              \
    X(MB_ABORTRETRYIGNORE, 0x00000002u, uint32_t)                                                                      \
    X(MB_YESNOCANCEL, 0x00000003u, uint32_t)                                                                           \
    X(MB_YESNO, 0x00000004u, uint32_t)                                                                                 \
    X(MB_RETRYCANCEL, 0x00000005u, uint32_t)                                                                           \
    X(MB_CANCELTRYCONTINUE, 0x00000006u, uint32_t)                                                                     \
    X(MB_TYPEMASK, 0x0000000Fu, uint32_t)                                                                              \
    X(MB_ICONHAND, 0x00000010u, uint32_t)                                                                              \
    X(MB_ICONQUESTION, 0x00000020u, uint32_t)                                                                          \
    X(MB_ICONEXCLAMATION, 0x00000030u, uint32_t)                                                                       \
    X(MB_ICONASTERISK, 0x00000040u, uint32_t)                                                                          \
    X(MB_ICONMASK, 0x000000F0u, uint32_t)                                                                              \
    X(MB_DEFBUTTON1, 0x00000000u, uint32_t)                                                                            \
    X(MB_DEFBUTTON2, 0x00000100u, uint32_t)                                                                            \
    X(MB_DEFBUTTON3, 0x00000200u, uint32_t)                                                                            \
    X(MB_DEFBUTTON4, 0x00000300u, uint32_t)                                                                            \
    X(MB_DEFMASK, 0x00000F00u, uint32_t)                                                                               \
    X(MB_SYSTEMMODAL, 0x00001000u, uint32_t)                                                                           \
    X(MB_HELP, 0x00004000u, uint32_t)                                                                                  \
    X(MB_SETFOREGROUND, 0x00010000u, uint32_t)                                                                         \
    X(MB_TOPMOST, 0x00040000u, uint32_t)

#define PB_STANDARD_RESULTS(X)                                                                                         \
    X(IDOK, 1, int32_t)                                                                                                \
    X(IDCANCEL, 2, int32_t)                                                                                            \
    X(IDABORT, 3, int32_t)                                                                                             \
    X(IDRETRY, 4, int32_t)                                                                                             \
    X(IDIGNORE, 5, int32_t)                                                                                            \
    X(IDYES, 6, int32_t)                                                                                               \
    X(IDNO, 7, int32_t)                                                                                                \
    X(IDCLOSE, 8, int32_t)                                                                                             \
    X(IDHELP, 9, int32_t)                                                                                              \
    X(IDTRYAGAIN, 10, int32_t)                                                                                         \
    X(IDCONTINUE, 11, int32_t)

#ifdef _WIN32

// The layout uses std::min and std::max; keep <windows.h> from defining
// macros of those names.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#define PB_CHECK_SYSTEM_VALUE(name, value, type)                                                                       \
    static_assert(static_cast<type>(name) == (value), #name " differs from the system's value");
PB_STANDARD_TYPE_BITS(PB_CHECK_SYSTEM_VALUE)
PB_STANDARD_RESULTS(PB_CHECK_SYSTEM_VALUE)
#undef PB_CHECK_SYSTEM_VALUE

#else

#define PB_DEFINE_STANDARD_VALUE(name, value, type) constexpr type name = (value);
PB_STANDARD_TYPE_BITS(PB_DEFINE_STANDARD_VALUE)
PB_STANDARD_RESULTS(PB_DEFINE_STANDARD_VALUE)
#undef PB_DEFINE_STANDARD_VALUE

#endif
