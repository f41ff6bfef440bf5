#include "msgbox/win32/answer_store.h"

#include <windows.h>

#include "msgbox/answer_key.h"
#include "msgbox/bounded_text.h"

namespace {

// Closes a registry key on every path.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey()
    {
        if (m_hKey != nullptr)
            RegCloseKey(m_hKey);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY* Receive() { return &m_hKey; }
    HKEY Get() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};

// The key path for company and this process's executable; false when it
// does not fit.
bool BuildProcessKeyPath(const char* company, AnswerKeyPath& path)
{
    char executablePath[PB_MODULE_PATH_CHARS] = {};
    // One character less than the buffer: systems that cut the path do not
    // always terminate it.
    GetModuleFileNameA(nullptr, executablePath, PB_MODULE_PATH_CHARS - 1);
    return BuildAnswerKeyPath(company, executablePath, path);
}

bool IsEmptyText(const char* text)
{
    return text == nullptr || text[0] == '\0';
}

}  // namespace

int32_t ReadAnswerValue(const char* company, const char* valueName)
{
    if (IsEmptyText(valueName))
        return 0;
    AnswerKeyPath path;
    if (!BuildProcessKeyPath(company, path))
        return 0;
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.text, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    // The value's type is not checked: whatever fits in 4 bytes is a number.
    if (RegQueryValueExA(key.Get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS) {
        return 0;
    }
    return static_cast<int32_t>(value);
}

void WriteAnswerValue(const char* company, const char* valueName, int32_t value)
{
    if (IsEmptyText(valueName))
        return;
    AnswerKeyPath path;
    if (!BuildProcessKeyPath(company, path))
        return;
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.text, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.Receive(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    const DWORD data = static_cast<DWORD>(value);
    RegSetValueExA(key.Get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

int32_t QueryStoredAnswer(const char* company, const char* keyText, int32_t keyNumber)
{
    if (company == nullptr || keyText == nullptr)
        return 0;
    const AnswerValueName name = MakeAnswerValueName(keyText, keyNumber);
    return ReadAnswerValue(company, name.text);
}

int32_t LookupStoredAnswer(const PromptBoxParams& params)
{
    // The record's company field need not be terminated within its 260
    // characters; read no more of it than that.
    char company[PB_TEXT_CHARS];
    CopyTextBounded(company, params.registryCompany);
    return QueryStoredAnswer(company, params.answerKeyText, params.answerKeyNumber);
}
