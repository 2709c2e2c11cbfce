// Finding the game's data files: the current folder, then the installed data folder beside the
// executable's own folder.
#include "datafiles.h"

#include <allegro.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {
const char *const INSTALLED_DATA = "../share/orvia";
constexpr int PATH_SIZE = 4096;
}

std::string installed_data_folder(const std::string &executable)
{
    return (fs::path(executable).parent_path() / INSTALLED_DATA).lexically_normal().string();
}

std::string data_file_path(const char *name, const std::string &executable)
{
    std::error_code ignored;
    if (fs::exists(name, ignored))
        return name;
    const fs::path installed = fs::path(installed_data_folder(executable)) / name;
    if (fs::exists(installed, ignored))
        return installed.string();
    return name;
}

std::string executable_path()
{
    char path[PATH_SIZE];
    get_executable_name(path, sizeof path);
    return path;
}
