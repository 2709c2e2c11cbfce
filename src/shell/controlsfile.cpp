// The player's controls file in the configuration folder the desktop names: read only when it
// is a regular file of sensible size, and replaced only whole, through a temporary file beside
// it, so that a full disk or a kill midway leaves the previous keys as they were.
#include "controlsfile.h"

#include "maplib.h"
#include "report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

const char *const CONFIG_FOLDER = "/.config"; // under HOME, when XDG_CONFIG_HOME says nothing
const char *const GAME_FOLDER = "/orvia";
const char *const FILE_NAME = "/controls.cfg";
constexpr mode_t FOLDER_MODE = 0700; // the desktop's rule for the folders it has a program make
// A controls file is a few hundred bytes; a larger one is not the game's.
constexpr std::uint64_t FILE_LIMIT = 64 * 1024;

// The variable's value when it names a folder absolutely, else "".
std::string absolute_folder(const char *variable)
{
    const char *value = std::getenv(variable);
    return value && value[0] == '/' ? value : "";
}

std::string system_reason()
{
    return std::strerror(errno);
}

std::string folder_of(const std::string &path)
{
    return path.substr(0, path.rfind('/'));
}

// The folder and those above it that are missing, each made for the player alone.
bool make_folders(const std::string &folder, std::string &problem)
{
    if (mkdir(folder.c_str(), FOLDER_MODE) == 0 || errno == EEXIST)
        return true;
    const std::string parent = folder_of(folder);
    if (errno == ENOENT && !parent.empty() && make_folders(parent, problem) &&
        (mkdir(folder.c_str(), FOLDER_MODE) == 0 || errno == EEXIST))
        return true;
    if (problem.empty())
        problem = "cannot make the folder \"" + folder + "\": " + system_reason();
    return false;
}

} // namespace

std::string controls_file_path()
{
    std::string config = absolute_folder("XDG_CONFIG_HOME");
    if (config.empty()) {
        const std::string home = absolute_folder("HOME");
        if (home.empty())
            return "";
        config = home + CONFIG_FOLDER;
    }
    return config + GAME_FOLDER + FILE_NAME;
}

key_bindings load_key_bindings()
{
    const std::string path = controls_file_path();
    struct stat facts;
    if (path.empty() || (stat(path.c_str(), &facts) != 0 && errno == ENOENT))
        return key_bindings{};
    std::string text, problem;
    if (MapReadFile(path.c_str(), FILE_LIMIT, text, &problem) != 0) {
        report_controls_unreadable(path.c_str(), problem.c_str());
        return key_bindings{};
    }
    const controls_reading reading = parse_controls(text);
    for (const controls_problem &p : reading.problems)
        report_controls_problem(path.c_str(), p.line, p.text.c_str());
    return reading.keys;
}

bool save_key_bindings(const key_bindings &keys)
{
    const std::string path = controls_file_path();
    std::string problem;
    if (path.empty())
        problem = "neither XDG_CONFIG_HOME nor HOME names a folder by an absolute path";
    else if (make_folders(folder_of(path), problem)) {
        const std::string text = controls_text(keys);
        if (MapWriteFile(path.c_str(), text.data(), text.size(), &problem) == 0)
            return true;
    }
    report_keys_not_saved(path.c_str(), problem.c_str());
    return false;
}
