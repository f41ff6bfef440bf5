#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "msgbox/answer_key.h"

namespace {

std::string Encoded(std::string text)
{
    EncodeAnswerKey(&text[0]);
    return text;
}

TEST(AnswerKey, EncodesEveryByteAsALetterOrDigit)
{
    EXPECT_EQ(Encoded("abc"), "7dj");
    EXPECT_EQ(Encoded(""), "");
    EXPECT_EQ(EncodeAnswerKey(nullptr), nullptr);
    // Bytes above 127 encode like their unsigned value: 0x80 -> index 0;
    // 0xFF at position 1 -> (255 + 5) mod 64 = 4.
    EXPECT_EQ(Encoded("\x80\xFF"), "AE");

    std::string all;
    for (int byte = 1; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    const std::string encoded = Encoded(all);
    ASSERT_EQ(encoded.size(), all.size());
    for (char symbol : encoded)
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(symbol))) << symbol;
}

TEST(AnswerKey, ValueNameIsEncodedTextAndSignedNumber)
{
    EXPECT_STREQ(MakeAnswerValueName("abc", 42).text, "7dj42");
    EXPECT_STREQ(MakeAnswerValueName("abc", -1).text, "7dj-1");
    EXPECT_STREQ(MakeAnswerValueName(nullptr, 7).text, "7");

    // 600 bytes: the first 490 are encoded, whatever follows is ignored.
    std::string text(600, 'x');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>('a' + i % 26);
    const AnswerValueName name = MakeAnswerValueName(text.c_str(), INT32_MIN);
    EXPECT_EQ(std::string(name.text), Encoded(text.substr(0, 490)) + "-2147483648");
    const std::string other = text.substr(0, 490) + "different tail";
    EXPECT_STREQ(MakeAnswerValueName(other.c_str(), INT32_MIN).text, name.text);
}

TEST(AnswerKey, KeyPathHasCompanyExecutableAndPromptBox)
{
    AnswerKeyPath path;
    ASSERT_TRUE(BuildAnswerKeyPath("Acme", "C:\\Program Files\\Host\\host.exe", path));
    EXPECT_STREQ(path.text, "Software\\Acme\\host.exe\\PromptBox");
    ASSERT_TRUE(BuildAnswerKeyPath("", "host.exe", path));
    EXPECT_STREQ(path.text, "Software\\host.exe\\PromptBox");
}

TEST(AnswerKey, KeyPathThatDoesNotFitIsRefused)
{
    // "Software\" + company + "\host.exe\PromptBox": 28 + company characters.
    const std::string fits(519 - 28, 'c');
    AnswerKeyPath path;
    ASSERT_TRUE(BuildAnswerKeyPath(fits.c_str(), "host.exe", path));
    EXPECT_EQ(std::strlen(path.text), 519u);

    EXPECT_FALSE(BuildAnswerKeyPath((fits + "c").c_str(), "host.exe", path));
    EXPECT_STREQ(path.text, "");
    EXPECT_FALSE(BuildAnswerKeyPath("Acme", ("C:\\" + std::string(517, 'x')).c_str(), path));
}

}  // namespace
