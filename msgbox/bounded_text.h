// Bounded copies of zero-terminated 8-bit text into fixed-capacity buffers.
// Every text that reaches the message box comes from a caller; none is
// trusted to fit.
#pragma once

#include <cstddef>

// Copies at most capacity - 1 bytes of source into destination and always
// terminates it (when capacity is at least 1).  A null source gives the
// empty string.  Never reads source beyond the bytes it copies plus the one
// that ends them.  Returns the length of the copy.
size_t CopyTextBounded(char* destination, size_t capacity, const char* source);

template <size_t N>
size_t CopyTextBounded(char (&destination)[N], const char* source)
{
    return CopyTextBounded(destination, N, source);
}

// Length of text, looking at no more than maxLength bytes.
size_t TextLengthBounded(const char* text, size_t maxLength);
