// Remembered answers in the registry: one REG_DWORD value per question under
// HKEY_CURRENT_USER\Software\[<company>\]<executable file name>\PromptBox.
// Every failure is silent: a failed read counts as no stored answer, a
// failed write loses the answer.
#pragma once

#include <cstdint>

#include "msgbox/prompt_box_params.h"

// The value stored under valueName, or 0 when there is none, the key path
// does not fit, or anything fails.  A null company counts as empty.
int32_t ReadAnswerValue(const char* company, const char* valueName);

// Stores value under valueName, creating the key when needed.
void WriteAnswerValue(const char* company, const char* valueName, int32_t value);

// 0 when company or keyText is null; else the value stored for the value
// name made of keyText and keyNumber.
int32_t QueryStoredAnswer(const char* company, const char* keyText, int32_t keyNumber);

// QueryStoredAnswer with the record's registryCompany, answerKeyText and
// answerKeyNumber.
int32_t LookupStoredAnswer(const PromptBoxParams& params);
