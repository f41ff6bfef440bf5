// Where a remembered ("don't ask me again") answer lives: the registry value
// name derived from the caller's key text and number, and the key path under
// HKEY_CURRENT_USER.  Pure text work; the registry access itself is in
// msgbox/win32/answer_store.h.
#pragma once

#include <cstdint>

// Bytes of the key text that take part in the value name.
constexpr int PB_ANSWER_KEY_TEXT_CHARS = 490;
// Encoded key text plus the longest signed decimal number ("-2147483648").
constexpr int PB_ANSWER_VALUE_NAME_CHARS = PB_ANSWER_KEY_TEXT_CHARS + 11 + 1;
// The key path, terminator included.
constexpr int PB_ANSWER_KEY_PATH_CHARS = 520;
// The executable's path as the system reports it, terminator included.
constexpr int PB_MODULE_PATH_CHARS = 518;

// Replaces every byte of a zero-terminated string, in place, by a letter or
// digit that depends on the byte and its position.  Returns text; an empty or
// null text is returned unchanged.
char* EncodeAnswerKey(char* text);

struct AnswerValueName {
    char text[PB_ANSWER_VALUE_NAME_CHARS];
};

// The registry value name of a remembered answer: the first 490 bytes of
// keyText, encoded, followed by keyNumber in signed decimal.  A null key text
// counts as empty.
AnswerValueName MakeAnswerValueName(const char* keyText, int32_t keyNumber);

struct AnswerKeyPath {
    char text[PB_ANSWER_KEY_PATH_CHARS];
};

// The part of a path after its last backslash (the whole path without one).
const char* ExecutableFileName(const char* executablePath);

// Builds "Software\<company>\<executable file name>\PromptBox" (the company
// part and its backslash only when company is not empty).  Returns false,
// with an empty path, when the whole does not fit: a cut path would name
// another program's or company's key, so such answers are not remembered.
bool BuildAnswerKeyPath(const char* company, const char* executablePath, AnswerKeyPath& path);
