#include "plugin/config_comment.h"

#include <cstring>

#include "plugin/log.h"

bool HasTrailingComment(const char* value)
{
    return value && std::strchr(value, ';') != nullptr;
}

void LogTrailingComment(const char* key)
{
    LogPrintf("%s: the value holds a ';', likely a comment after it, which is read as part of the value; "
              "put comments on lines of their own",
              key);
}
