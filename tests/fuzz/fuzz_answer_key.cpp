// The remembered answer's value name and key path from arbitrary key texts,
// numbers, company and executable names: always terminated, never longer than
// their buffers, and the value name only letters, digits and a number.
#include <cstdlib>
#include <cstring>

#include "msgbox/answer_key.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    std::string keyText = in.Text(2000);
    int32_t number = static_cast<int32_t>(in.U32());
    std::string company = in.Text(700);
    std::string executable = in.Text(700);

    AnswerValueName name = MakeAnswerValueName(in.Bool() ? nullptr : keyText.c_str(), number);
    std::size_t length = strnlen(name.text, sizeof name.text);
    if (length == sizeof name.text)
        std::abort();
    for (std::size_t i = 0; i < length; ++i) {
        char c = name.text[i];
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
        if (!ok)
            std::abort();
    }

    AnswerKeyPath path;
    bool built = BuildAnswerKeyPath(company.c_str(), executable.c_str(), path);
    std::size_t pathLength = strnlen(path.text, sizeof path.text);
    if (pathLength == sizeof path.text || (!built && pathLength != 0))
        std::abort();
    if (built && std::strncmp(path.text, "Software\\", 9) != 0)
        std::abort();

    std::string encoded = keyText;
    EncodeAnswerKey(&encoded[0]);
    return 0;
}
