// Replacing files only whole: each new file is written beside its target under a temporary
// name and renamed over it once complete and on the disk, so that a full disk, a kill or a
// failing writer leaves the old file as it was.
#include "maplib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <set>

namespace {

constexpr mode_t NEW_FILE_MODE = 0666; // less the umask, as a plain create gives
constexpr int NAME_TRIES = 100;
constexpr int RANDOM_LETTERS = 8;
constexpr const char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// A new file on its way to its target.
struct PendingFile {
    std::string target, temporary;
    int fd = -1;
    bool renamed = false;
};

std::string system_reason()
{
    return std::strerror(errno);
}

std::string folder_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A hidden name in the target's folder that ends as the target does, since Allegro's picture
// savers choose the format by the extension.
std::string temporary_name(const std::string &target)
{
    static std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> letter(0, sizeof LETTERS - 2);
    const std::size_t slash = target.rfind('/');
    const std::size_t name_at = slash == std::string::npos ? 0 : slash + 1;
    std::string name = target.substr(0, name_at) + ".";
    for (int i = 0; i < RANDOM_LETTERS; ++i)
        name += LETTERS[letter(random)];
    return name + "-" + target.substr(name_at);
}

// Why the target may not be replaced: empty when it is a regular file or does not exist yet.
std::string refusal(const std::string &target)
{
    struct stat facts;
    if (lstat(target.c_str(), &facts) != 0)
        return errno == ENOENT ? "" : system_reason();
    if (S_ISLNK(facts.st_mode))
        return "a symbolic link, which is not written through";
    if (S_ISDIR(facts.st_mode))
        return std::strerror(EISDIR);
    if (!S_ISREG(facts.st_mode))
        return "not a regular file, which is not replaced";
    return "";
}

bool create(PendingFile &file, std::string &reason)
{
    for (int tries = 0; tries < NAME_TRIES && file.fd < 0; ++tries) {
        file.temporary = temporary_name(file.target);
        file.fd = open(file.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       NEW_FILE_MODE);
        if (file.fd < 0 && errno != EEXIST)
            break;
    }
    if (file.fd < 0) {
        reason = system_reason();
        file.temporary.clear();
    }
    return file.fd >= 0;
}

// The writer may have reopened the file by its name: what is renamed must still be the file
// made here, and on the disk.
bool finish(PendingFile &file, std::string &reason)
{
    struct stat made, named;
    const bool same = fstat(file.fd, &made) == 0 && lstat(file.temporary.c_str(), &named) == 0 &&
                      made.st_dev == named.st_dev && made.st_ino == named.st_ino;
    const bool synced = same && fsync(file.fd) == 0;
    if (!synced)
        reason = same ? system_reason() : "the temporary file " + file.temporary + " was replaced";
    const bool closed = close(file.fd) == 0;
    file.fd = -1;
    if (synced && !closed)
        reason = system_reason();
    return synced && closed;
}

void discard(PendingFile &file)
{
    if (file.fd >= 0)
        close(file.fd);
    file.fd = -1;
    if (!file.temporary.empty() && !file.renamed)
        unlink(file.temporary.c_str());
}

// The renames reach the disk with their folders; a failure here leaves the new files in place.
void sync_folders(const std::vector<PendingFile> &files)
{
    std::set<std::string> folders;
    for (const PendingFile &file : files)
        folders.insert(folder_of(file.target));
    for (const std::string &folder : folders) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            fsync(fd);
            close(fd);
        }
    }
}

// Every step for all files before the next step for any, so that nothing is renamed until
// every file is complete.
bool replace(const std::vector<MapOutputFile> &outputs, std::string &reason, std::size_t &failed)
{
    std::vector<PendingFile> files(outputs.size());
    auto each = [&](auto step) {
        for (failed = 0; failed < files.size(); ++failed)
            if (!step(outputs[failed], files[failed]))
                return false;
        return true;
    };
    auto may_replace = [&](const MapOutputFile &output, PendingFile &file) {
        file.target = output.path;
        reason = refusal(file.target);
        return reason.empty();
    };
    auto write_new = [&](const MapOutputFile &output, PendingFile &file) {
        return output.write(file.temporary.c_str(), reason);
    };
    auto put_in_place = [&](const MapOutputFile &, PendingFile &file) {
        reason = refusal(file.target);
        file.renamed = reason.empty() && rename(file.temporary.c_str(), file.target.c_str()) == 0;
        if (!file.renamed && reason.empty())
            reason = system_reason();
        return file.renamed;
    };
    const bool done =
        each(may_replace) &&
        each([&](const MapOutputFile &, PendingFile &file) { return create(file, reason); }) &&
        each(write_new) &&
        each([&](const MapOutputFile &, PendingFile &file) { return finish(file, reason); }) &&
        each(put_in_place);
    for (PendingFile &file : files)
        discard(file);
    if (done)
        sync_folders(files);
    return done;
}

bool write_bytes(const char *path, const void *data, std::size_t size, std::string &reason)
{
    const int fd = open(path, O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::size_t written = 0;
    while (fd >= 0 && written < size) {
        const ssize_t part = write(fd, bytes + written, size - written);
        if (part < 0 && errno == EINTR)
            continue;
        if (part <= 0)
            break;
        written += static_cast<std::size_t>(part);
    }
    const bool complete = fd >= 0 && written == size;
    if (!complete)
        reason = system_reason();
    const bool closed = fd < 0 || close(fd) == 0;
    if (complete && !closed)
        reason = system_reason();
    return complete && closed;
}

} // namespace

int MapReplaceFiles(const std::vector<MapOutputFile> &files, std::string *problem)
{
    std::string reason;
    std::size_t failed = 0;
    if (replace(files, reason, failed))
        return 0;
    if (problem)
        *problem = files[failed].path + ": " + reason;
    return -1;
}

int MapWriteFile(const char *path, const void *data, std::size_t size, std::string *problem)
{
    if (!path) {
        if (problem)
            *problem = std::strerror(EFAULT);
        return -1;
    }
    const MapOutputFile file{path, [&](const char *temporary, std::string &reason) {
                                 return write_bytes(temporary, data, size, reason);
                             }};
    std::string reason;
    std::size_t failed = 0;
    if (replace({file}, reason, failed))
        return 0;
    if (problem)
        *problem = reason;
    return -1;
}
