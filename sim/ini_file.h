// A small reader for initialisation-file text: [section] lines and
// key = value lines; ';' and '#' start comments. Names are case-insensitive.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sim {

struct IniSection {
    std::string name;
    std::vector<std::pair<std::string, std::string>> entries;  // in file order

    const std::string* Find(const std::string& key) const;
};

struct IniFile {
    std::vector<IniSection> sections;  // in file order

    const IniSection* Find(const std::string& name) const;
};

// Parses the text; returns false with a message naming the line for a line
// that is neither a section, an entry, a comment nor blank.
bool ParseIni(const std::string& text, IniFile* out, std::string* error);

bool EqualsIgnoreCase(const std::string& a, const std::string& b);

}  // namespace sim
