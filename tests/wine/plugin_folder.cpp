#include "tests/wine/plugin_folder.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "plugin/source_descriptor.h"

namespace test {

namespace {

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/"));
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

PluginFolder::PluginFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    std::ostringstream name;
    name << temp << "vt1165-test-" << GetCurrentProcessId() << "-" << ++serial;
    folder_ = name.str();
    RemoveTree(folder_);
    if (!CreateDirectoryA(folder_.c_str(), nullptr))
        throw std::runtime_error("cannot create " + folder_);
    std::string source = ProgramFolder() + "\\VT1165.dll";
    if (!CopyFileA(source.c_str(), DllPath().c_str(), FALSE))
        throw std::runtime_error("cannot copy " + source);
}

PluginFolder::~PluginFolder()
{
    RemoveTree(folder_);
}

void PluginFolder::WriteFile(const std::string& path, const std::string& bytes) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string PluginFolder::ReadFile(const std::string& path) const
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

int PluginFolder::LogLines(const std::string& message) const
{
    const std::string log = ReadFile(LogPath());
    const std::string line = " " + message + "\r";
    int count = 0;
    for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1))
        ++count;
    return count;
}

int32_t LoadedPlugin::Describe(uint32_t index) const
{
    SourceDescriptor desc = {};
    desc.dwDescVersion = kDescVersionWithFormat;
    return GetSourceDesc ? GetSourceDesc(index, &desc) : -1;
}

}  // namespace test
