#include "msgbox/bounded_text.h"

size_t CopyTextBounded(char* destination, size_t capacity, const char* source)
{
    if (destination == nullptr || capacity == 0)
        return 0;
    size_t length = 0;
    if (source != nullptr) {
        while (length + 1 < capacity && source[length] != '\0') {
            destination[length] = source[length];
            ++length;
        }
    }
    destination[length] = '\0';
    return length;
}

size_t TextLengthBounded(const char* text, size_t maxLength)
{
    size_t length = 0;
    if (text != nullptr)
        while (length < maxLength && text[length] != '\0')
            ++length;
    return length;
}
