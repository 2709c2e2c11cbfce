// Creating a file that did not exist: the one handle that created it is the one written through,
// so that no other program can slip a file in between.
#include "newfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace {

constexpr mode_t NEW_FILE_MODE = 0666; // less the person's umask

} // namespace

std::FILE *open_new_file(const char *path)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, NEW_FILE_MODE);
    if (fd < 0)
        return nullptr;
    std::FILE *file = fdopen(fd, "w");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(path);
        errno = error;
    }
    return file;
}
