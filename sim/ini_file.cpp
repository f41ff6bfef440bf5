#include "sim/ini_file.h"

#include <cctype>
#include <sstream>

namespace sim {

namespace {

std::string Trim(const std::string& s)
{
    std::size_t begin = 0, end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1])))
        --end;
    return s.substr(begin, end - begin);
}

std::string StripComment(const std::string& s)
{
    std::size_t cut = s.find_first_of(";#");
    return cut == std::string::npos ? s : s.substr(0, cut);
}

}  // namespace

bool EqualsIgnoreCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

const std::string* IniSection::Find(const std::string& key) const
{
    for (const auto& entry : entries)
        if (EqualsIgnoreCase(entry.first, key))
            return &entry.second;
    return nullptr;
}

const IniSection* IniFile::Find(const std::string& name) const
{
    for (const IniSection& section : sections)
        if (EqualsIgnoreCase(section.name, name))
            return &section;
    return nullptr;
}

bool ParseIni(const std::string& text, IniFile* out, std::string* error)
{
    std::istringstream in(text);
    std::string raw;
    int lineNumber = 0;
    IniSection* current = nullptr;
    while (std::getline(in, raw)) {
        ++lineNumber;
        std::string line = Trim(StripComment(raw));
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                if (error)
                    *error = "line " + std::to_string(lineNumber) + ": unterminated section name";
                return false;
            }
            out->sections.push_back(IniSection{Trim(line.substr(1, line.size() - 2)), {}});
            current = &out->sections.back();
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string::npos || !current) {
            if (error)
                *error = "line " + std::to_string(lineNumber) + ": expected [section] or key = value";
            return false;
        }
        current->entries.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return true;
}

}  // namespace sim
