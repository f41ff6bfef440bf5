#include "msgbox/answer_key.h"

#include <cstdio>
#include <cstring>

#include "msgbox/bounded_text.h"

namespace {

const char kAnswerKeyAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz98";
static_assert(sizeof(kAnswerKeyAlphabet) == 64 + 1, "the alphabet has 64 symbols");

// Appends text to path at *length; false when it would not leave room for
// the terminator.
bool AppendToPath(AnswerKeyPath& path, size_t& length, const char* text)
{
    // Looks at no more of text than could fit, plus one byte.
    const size_t room = sizeof(path.text) - length;
    const size_t textLength = TextLengthBounded(text, room);
    if (textLength >= room)
        return false;
    std::memcpy(path.text + length, text, textLength + 1);
    length += textLength;
    return true;
}

}  // namespace

char* EncodeAnswerKey(char* text)
{
    if (text == nullptr)
        return text;
    // Only the low six bits of (byte + 5 * position) matter, so unsigned
    // arithmetic gives the same index as the signed sum would.
    for (size_t position = 0; text[position] != '\0'; ++position) {
        const unsigned byteValue = static_cast<unsigned char>(text[position]);
        const unsigned index = (byteValue + 5u * static_cast<unsigned>(position)) & 63u;
        text[position] = kAnswerKeyAlphabet[index];
    }
    return text;
}

AnswerValueName MakeAnswerValueName(const char* keyText, int32_t keyNumber)
{
    AnswerValueName name = {};
    const size_t length = CopyTextBounded(name.text, PB_ANSWER_KEY_TEXT_CHARS + 1, keyText);
    EncodeAnswerKey(name.text);
    std::snprintf(name.text + length, sizeof(name.text) - length, "%ld", static_cast<long>(keyNumber));
    return name;
}

const char* ExecutableFileName(const char* executablePath)
{
    if (executablePath == nullptr)
        return "";
    const char* lastBackslash = std::strrchr(executablePath, '\\');
    return lastBackslash != nullptr ? lastBackslash + 1 : executablePath;
}

bool BuildAnswerKeyPath(const char* company, const char* executablePath, AnswerKeyPath& path)
{
    path = AnswerKeyPath{};
    size_t length = 0;
    bool fits = AppendToPath(path, length, "Software\\");
    if (company != nullptr && company[0] != '\0')
        fits = fits && AppendToPath(path, length, company) && AppendToPath(path, length, "\\");
    fits = fits && AppendToPath(path, length, ExecutableFileName(executablePath)) && AppendToPath(path, length, "\\") &&
           AppendToPath(path, length, "PromptBox");
    if (!fits)
        path = AnswerKeyPath{};
    return fits;
}
