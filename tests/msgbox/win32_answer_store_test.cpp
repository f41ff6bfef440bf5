// Remembered answers through the real registry (HKEY_CURRENT_USER of the
// test's wine prefix).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "msgbox/answer_key.h"
#include "msgbox/win32/answer_store.h"

namespace {

const char kCompany[] = "VtPromptBoxTests";

std::string CompanyKey()
{
    return std::string("Software\\") + kCompany;
}

std::string PromptBoxKey()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH - 1);
    return CompanyKey() + "\\" + ExecutableFileName(path) + "\\PromptBox";
}

class AnswerStore : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, CompanyKey().c_str()); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, CompanyKey().c_str()); }

    static bool ReadDirect(const char* valueName, DWORD& value)
    {
        DWORD size = sizeof(value);
        return RegGetValueA(HKEY_CURRENT_USER, PromptBoxKey().c_str(), valueName, RRF_RT_REG_DWORD, nullptr, &value,
                            &size) == ERROR_SUCCESS;
    }
};

TEST_F(AnswerStore, AnswerWrittenIsReadBackUnderTheSameName)
{
    PromptBoxParams params;
    lstrcpyA(params.registryCompany, kCompany);
    params.answerKeyText = "abc";
    params.answerKeyNumber = 42;
    EXPECT_EQ(LookupStoredAnswer(params), 0);

    const AnswerValueName name = MakeAnswerValueName("abc", 42);
    WriteAnswerValue(kCompany, name.text, 0x01000006);

    DWORD stored = 0;
    ASSERT_TRUE(ReadDirect("7dj42", stored)) << "expected under HKCU\\" << PromptBoxKey();
    EXPECT_EQ(stored, 0x01000006u);
    EXPECT_EQ(LookupStoredAnswer(params), 0x01000006);
    EXPECT_EQ(QueryStoredAnswer(kCompany, "abc", 42), 0x01000006);
    EXPECT_EQ(QueryStoredAnswer(kCompany, "abc", 43), 0);
    EXPECT_EQ(QueryStoredAnswer(nullptr, "abc", 42), 0);
    EXPECT_EQ(QueryStoredAnswer(kCompany, nullptr, 42), 0);

    // A time-out result keeps its top bit through the DWORD.
    WriteAnswerValue(kCompany, name.text, static_cast<int32_t>(0x81000001u));
    EXPECT_EQ(static_cast<uint32_t>(LookupStoredAnswer(params)), 0x81000001u);
}

TEST_F(AnswerStore, ValuesAreReturnedAsStoredOrNotAtAll)
{
    // Without check-box bits the value is still read; the caller decides.
    WriteAnswerValue(kCompany, "plain", 1);
    EXPECT_EQ(ReadAnswerValue(kCompany, "plain"), 1);

    // Longer than 4 bytes: no answer.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, PromptBoxKey().c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const BYTE wide[8] = {1, 0, 0, 1, 0, 0, 0, 0};
    RegSetValueExA(key, "wide", 0, REG_BINARY, wide, sizeof(wide));
    RegCloseKey(key);
    EXPECT_EQ(ReadAnswerValue(kCompany, "wide"), 0);

    EXPECT_EQ(ReadAnswerValue(kCompany, ""), 0);
    EXPECT_EQ(ReadAnswerValue(kCompany, nullptr), 0);
    WriteAnswerValue(kCompany, "", 5);
    WriteAnswerValue(kCompany, nullptr, 5);
}

TEST_F(AnswerStore, KeyWithoutWriteAccessStoresNothingEveryTime)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, PromptBoxKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    // Everyone may read the key, nobody may write it.
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    BYTE aclBuffer[256];
    auto* acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    RegCloseKey(key);
    FreeSid(everyone);

    HKEY probe = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PromptBoxKey().c_str(), 0, KEY_WRITE, &probe) == ERROR_SUCCESS) {
        RegCloseKey(probe);
        GTEST_SKIP() << "this system does not enforce registry key access";
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        WriteAnswerValue(kCompany, "7dj42", 0x01000006);
        EXPECT_EQ(QueryStoredAnswer(kCompany, "abc", 42), 0);
    }
}

TEST_F(AnswerStore, KeyPathTooLongIsNeitherWrittenNorRead)
{
    // Two key names of 250 characters: each is valid, the path is not.
    const std::string top = std::string(kCompany) + std::string(250 - sizeof(kCompany) + 1, 'c');
    const std::string company = top + "\\" + std::string(250, 'd');
    WriteAnswerValue(company.c_str(), "7dj42", 0x01000006);
    EXPECT_EQ(ReadAnswerValue(company.c_str(), "7dj42"), 0);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\" + top).c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegDeleteTreeA(HKEY_CURRENT_USER, ("Software\\" + top).c_str());
}

}  // namespace
