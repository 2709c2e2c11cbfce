// Reading files for the library and the programs built on it: only regular files, opened so
// that a FIFO or a device cannot hold the program up, within a size; and map files unpacked,
// when Allegro's packer made them, by a reader that refuses what Allegro's unpacker would make up.
#include "mapinternal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr const char *NOT_REGULAR = "not a regular file";
constexpr std::size_t READ_BUFFER_SIZE = 64 * 1024;

std::string larger_than(std::uint64_t limit)
{
    return "larger than " + std::to_string(limit) + " bytes";
}

// Opening without blocking keeps a FIFO from waiting for a writer, and the check is made on
// what was opened, so nothing can be swapped in between. The flag is left set: it changes
// nothing for a regular file. -1 with the reason otherwise.
int open_regular(const char *path, std::uint64_t limit, std::string &problem)
{
    if (!path) {
        problem = std::strerror(EFAULT);
        return -1;
    }
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        problem = std::strerror(errno);
        return -1;
    }
    struct stat facts;
    if (fstat(fd, &facts) != 0)
        problem = std::strerror(errno);
    else if (!S_ISREG(facts.st_mode))
        problem = NOT_REGULAR;
    else if (static_cast<std::uint64_t>(facts.st_size) > limit)
        problem = larger_than(limit);
    else
        return fd;
    close(fd);
    return -1;
}

// The bytes of an open regular file, through a buffer; closes the file when it goes.
class FileBytes {
public:
    explicit FileBytes(int fd) : fd_(fd) {}
    ~FileBytes() { close(fd_); }
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;

    // False at the end of the file or on a read error.
    bool next(unsigned char &byte)
    {
        if (at_ == end_ && !fill())
            return false;
        byte = buffer_[at_++];
        return true;
    }

    // Up to `count` bytes; fewer only at the end of the file or on a read error.
    std::size_t take(unsigned char *to, std::size_t count)
    {
        std::size_t taken = 0;
        while (taken < count && (at_ < end_ || fill())) {
            const std::size_t part = std::min(count - taken, end_ - at_);
            std::memcpy(to + taken, buffer_ + at_, part);
            at_ += part;
            taken += part;
        }
        return taken;
    }

    // Passes over `magic` when the file begins with it.
    bool skip_start(const unsigned char (&magic)[MAP_CHUNK_ID_SIZE])
    {
        while (end_ < sizeof magic && fill_more())
            ;
        if (end_ < sizeof magic || std::memcmp(buffer_, magic, sizeof magic) != 0)
            return false;
        at_ = sizeof magic;
        return true;
    }

    int error() const { return error_; }

private:
    bool fill()
    {
        at_ = end_ = 0;
        return fill_more();
    }

    bool fill_more()
    {
        ssize_t got;
        do
            got = read(fd_, buffer_ + end_, sizeof buffer_ - end_);
        while (got < 0 && errno == EINTR);
        if (got < 0)
            error_ = errno;
        if (got <= 0)
            return false;
        end_ += static_cast<std::size_t>(got);
        return true;
    }

    int fd_;
    unsigned char buffer_[READ_BUFFER_SIZE];
    std::size_t at_ = 0, end_ = 0;
    int error_ = 0;
};

// Allegro's packer writes "slh!" and then LZSS over a 4096-byte window whose writing begins at
// byte 4078. Each flag byte announces eight items, lowest bit first: 1 a literal byte, 0 a
// two-byte reference to 3 to 18 bytes of the window. Allegro's unpacker starts with the first
// 4078 window bytes zero and the last 18 unset, so a reference to one of those before the
// stream has written it delivers whatever the memory held: such a stream is refused here.
const unsigned char PACKED_MAGIC[MAP_CHUNK_ID_SIZE] = {'s', 'l', 'h', '!'};   // F_PACK_MAGIC
const unsigned char UNPACKED_MAGIC[MAP_CHUNK_ID_SIZE] = {'s', 'l', 'h', '.'}; // F_NOPACK_MAGIC
constexpr int WINDOW_SIZE = 4096;
constexpr int WINDOW_MASK = WINDOW_SIZE - 1;
constexpr int LONGEST_REFERENCE = 18;
constexpr int SHORTEST_REFERENCE = 3;
constexpr int FIRST_WRITE = WINDOW_SIZE - LONGEST_REFERENCE;
constexpr unsigned FLAGS_LEFT = 0x100;    // set while the flag byte still has items to tell
constexpr unsigned FLAG_COUNTER = 0xFF00; // eight more shifts until the next flag byte
constexpr int POSITION_HIGH_BITS = 0xF0, LENGTH_BITS = 0x0F, POSITION_HIGH_SHIFT = 4;

class Unpacker {
public:
    explicit Unpacker(FileBytes &packed) : packed_(packed) {}

    // False at the end of the stream, or when it reaches an unset window byte.
    bool next(unsigned char &byte)
    {
        if (refused_ || (copy_left_ == 0 && !next_item(byte)))
            return false;
        if (copy_left_ > 0) {
            const int from = copy_from_++ & WINDOW_MASK;
            --copy_left_;
            if (!is_set(from)) {
                refused_ = true;
                return false;
            }
            byte = window_[from];
        }
        window_[write_at_] = byte;
        write_at_ = (write_at_ + 1) & WINDOW_MASK;
        written_ = std::min(written_ + 1, LONGEST_REFERENCE);
        return true;
    }

    bool refused() const { return refused_; }

private:
    // A literal into `byte`, or a reference into copy_from_ and copy_left_.
    bool next_item(unsigned char &byte)
    {
        flags_ >>= 1;
        if (!(flags_ & FLAGS_LEFT)) {
            unsigned char flags;
            if (!packed_.next(flags))
                return false;
            flags_ = flags | FLAG_COUNTER;
        }
        if (flags_ & 1)
            return packed_.next(byte);
        unsigned char low, high;
        if (!packed_.next(low) || !packed_.next(high))
            return false;
        copy_from_ = low | (high & POSITION_HIGH_BITS) << POSITION_HIGH_SHIFT;
        copy_left_ = (high & LENGTH_BITS) + SHORTEST_REFERENCE;
        return true;
    }

    bool is_set(int position) const
    {
        return position < FIRST_WRITE || position - FIRST_WRITE < written_;
    }

    FileBytes &packed_;
    unsigned char window_[WINDOW_SIZE] = {};
    int write_at_ = FIRST_WRITE;
    int written_ = 0; // counted only as far as the unset bytes reach
    unsigned flags_ = 0;
    int copy_from_ = 0, copy_left_ = 0;
    bool refused_ = false;
};

// A map file as the loader reads it: plain, or unpacked.
class MapFileSource {
public:
    explicit MapFileSource(int fd) : file_(fd)
    {
        packed_ = file_.skip_start(PACKED_MAGIC);
        if (!packed_)
            file_.skip_start(UNPACKED_MAGIC);
    }

    std::size_t take(unsigned char *to, std::size_t count)
    {
        std::size_t taken = packed_ ? 0 : file_.take(to, count);
        while (packed_ && taken < count && unpacker_.next(to[taken]))
            ++taken;
        ended_ = ended_ || taken < count;
        return taken;
    }

    bool ended() const { return ended_; }
    bool failed() const { return unpacker_.refused() || file_.error() != 0; }

    std::string problem() const
    {
        if (unpacker_.refused())
            return "the packed data refers to bytes it has not unpacked yet";
        return std::strerror(file_.error());
    }

private:
    FileBytes file_;
    bool packed_;
    Unpacker unpacker_{file_};
    bool ended_ = false;
};

// Everything `file` holds into `bytes`, unless that is more than `limit` bytes.
template <typename File, typename Bytes>
bool read_all(File &file, std::uint64_t limit, Bytes &bytes)
{
    constexpr std::size_t PIECE = READ_BUFFER_SIZE;
    std::size_t got = PIECE;
    while (got == PIECE && bytes.size() <= limit) {
        const std::size_t at = bytes.size();
        bytes.resize(at + PIECE);
        got = file.take(reinterpret_cast<unsigned char *>(&bytes[at]), PIECE);
        bytes.resize(at + got);
    }
    return bytes.size() <= limit;
}

MapFileSource &source(void *userdata)
{
    return *static_cast<MapFileSource *>(userdata);
}

int source_close(void *userdata)
{
    delete &source(userdata);
    return 0;
}

int source_getc(void *userdata)
{
    unsigned char byte;
    return source(userdata).take(&byte, 1) == 1 ? byte : EOF;
}

long source_read(void *p, long n, void *userdata)
{
    const std::size_t count = n > 0 ? static_cast<std::size_t>(n) : 0;
    return static_cast<long>(source(userdata).take(static_cast<unsigned char *>(p), count));
}

// The library's readers only read forward, and never write.
int source_ungetc(int, void *) { return EOF; }
int source_putc(int, void *) { return EOF; }
long source_write(const void *, long, void *) { return 0; }
int source_seek(void *, int) { return -1; }

int source_eof(void *userdata)
{
    return source(userdata).ended();
}

int source_error(void *userdata)
{
    return source(userdata).failed();
}

const PACKFILE_VTABLE MAP_FILE_SOURCE = {source_close, source_getc,  source_ungetc,
                                         source_read,  source_putc,  source_write,
                                         source_seek,  source_eof,   source_error};

// The form length counts the bytes after itself, and is 32 bits.
std::unique_ptr<MapFileSource> open_map_source(const char *filename, std::string &problem)
{
    const int fd = open_regular(filename, MAP_MAX_FILE_BYTES, problem);
    return fd < 0 ? nullptr : std::make_unique<MapFileSource>(fd);
}

} // namespace

PACKFILE *MapOpenFile(const char *filename, std::string *problem)
{
    std::string reason;
    std::unique_ptr<MapFileSource> file = open_map_source(filename, reason);
    PACKFILE *packfile = file ? pack_fopen_vtable(&MAP_FILE_SOURCE, file.get()) : nullptr;
    if (packfile)
        file.release(); // source_close deletes it
    else if (problem)
        *problem = file ? std::strerror(ENOMEM) : reason;
    return packfile;
}

std::string MapFileProblem(PACKFILE *file)
{
    if (file->vtable != &MAP_FILE_SOURCE || !source(file->userdata).failed())
        return "";
    return source(file->userdata).problem();
}

int MapReadFile(const char *path, std::uint64_t limit, std::string &bytes, std::string *problem)
{
    bytes.clear();
    std::string reason;
    const int fd = open_regular(path, limit, reason);
    if (fd >= 0) {
        FileBytes file(fd);
        // The file may have grown since it was opened.
        const bool whole = read_all(file, limit, bytes);
        if (whole && file.error() == 0)
            return 0;
        reason = file.error() ? std::strerror(file.error()) : larger_than(limit);
    }
    bytes.clear();
    if (problem)
        *problem = reason;
    return -1;
}

int MapCheckFile(const char *path, std::uint64_t limit, std::string *problem)
{
    std::string reason;
    const int fd = open_regular(path, limit, reason);
    if (fd >= 0) {
        close(fd);
        return 0;
    }
    if (problem)
        *problem = reason;
    return -1;
}

int MapReadMapFile(const char *filename, std::vector<unsigned char> &image, std::string *problem)
{
    image.clear();
    std::string reason;
    std::unique_ptr<MapFileSource> file = open_map_source(filename, reason);
    if (file) {
        const bool whole = read_all(*file, MAP_MAX_FILE_BYTES, image);
        if (whole && !file->failed())
            return 0;
        reason = file->failed() ? file->problem() : larger_than(MAP_MAX_FILE_BYTES);
    }
    image.clear();
    if (problem)
        *problem = reason;
    return -1;
}
