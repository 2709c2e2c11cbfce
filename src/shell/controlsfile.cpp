// The player's controls file in the configuration folder the desktop names: read only when it
// is a regular file of sensible size, and replaced only whole, through a temporary file beside
// it, so that a full disk or a kill midway leaves the previous keys as they were.
#include "controlsfile.h"

#include "report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

const char *const CONFIG_FOLDER = "/.config"; // under HOME, when XDG_CONFIG_HOME says nothing
const char *const GAME_FOLDER = "/orvia";
const char *const FILE_NAME = "/controls.cfg";
const char *const TEMPORARY_NAME = "/.controls.cfg-XXXXXX";
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

// The whole regular file, of at most `limit` bytes; -1 with the reason otherwise. Opened
// without blocking, and checked as opened, so that a FIFO cannot hold the game up.
int read_regular_file(const char *path, std::uint64_t limit, std::string &bytes,
                      std::string *problem)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat facts;
    std::string reason;
    if (fd < 0 || fstat(fd, &facts) != 0)
        reason = system_reason();
    else if (!S_ISREG(facts.st_mode))
        reason = "not a regular file";
    else if (static_cast<std::uint64_t>(facts.st_size) > limit)
        reason = "larger than " + std::to_string(limit) + " bytes";
    char buffer[4096];
    for (ssize_t got = 1; reason.empty() && got != 0;) {
        got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno != EINTR)
            reason = system_reason();
        else if (got > 0)
            bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > limit)
            reason = "larger than " + std::to_string(limit) + " bytes";
    }
    if (fd >= 0)
        close(fd);
    if (reason.empty())
        return 0;
    bytes.clear();
    if (problem)
        *problem = reason;
    return -1;
}

bool write_all(int fd, const std::string &text)
{
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t part = write(fd, text.data() + written, text.size() - written);
        if (part < 0 && errno == EINTR)
            continue;
        if (part <= 0)
            return false;
        written += static_cast<std::size_t>(part);
    }
    return true;
}

// A symbolic link is not written through, and nothing but a regular file is replaced.
std::string refusal(const std::string &path)
{
    struct stat facts;
    if (lstat(path.c_str(), &facts) != 0)
        return errno == ENOENT ? "" : system_reason();
    return S_ISREG(facts.st_mode) ? "" : "not a regular file, which is not replaced";
}

// The text under a temporary name in the target's folder, on the disk, then renamed over the
// target; -1 with the reason, and no temporary file left, otherwise.
int replace_file(const std::string &path, const std::string &text, std::string &problem)
{
    problem = refusal(path);
    if (!problem.empty())
        return -1;
    std::string temporary = folder_of(path) + TEMPORARY_NAME;
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        problem = system_reason();
        return -1;
    }
    const bool complete = write_all(fd, text) && fsync(fd) == 0;
    if (!complete)
        problem = system_reason();
    if (close(fd) != 0 && complete)
        problem = system_reason();
    if (problem.empty() && rename(temporary.c_str(), path.c_str()) == 0) {
        const int folder = open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) { // the rename reaches the disk with its folder
            fsync(folder);
            close(folder);
        }
        return 0;
    }
    if (problem.empty())
        problem = system_reason();
    unlink(temporary.c_str());
    return -1;
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
    if (read_regular_file(path.c_str(), FILE_LIMIT, text, &problem) != 0) {
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
    else if (make_folders(folder_of(path), problem) &&
             replace_file(path, controls_text(keys), problem) == 0)
        return true;
    report_keys_not_saved(path.c_str(), problem.c_str());
    return false;
}
