// The outer header and the chunks of a map file, walked by the loader's rules: the one walk
// that loads from files and images follow, and that MapWalkChunks shows to other programs.
#include "mapinternal.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// The outer header: "FORM", the big-endian form length L, "FMAP"; L counts from "FMAP" on.
constexpr int FORM_ID_SIZE = MAP_CHUNK_ID_SIZE;
constexpr int FORM_LENGTH_OFFSET = 4;
constexpr int FORM_TYPE_OFFSET = 8;
constexpr int FORM_HEADER_SIZE = MapFormReader::OUTER_HEADER_SIZE;
constexpr long FORM_LENGTH_EXTRA = 8; // bytes of the file before the form's counted part
constexpr std::uint32_t MIN_FORM_LENGTH = FORM_ID_SIZE;
const unsigned char FORM_ID[FORM_ID_SIZE] = {'F', 'O', 'R', 'M'};
const unsigned char FORM_TYPE[FORM_ID_SIZE] = {'F', 'M', 'A', 'P'};
constexpr std::size_t CHUNK_FIRST_READ = 64 * 1024; // chunk data bytes read before growing
constexpr long REST_PIECE = 64 * 1024;              // bytes after the form counted at a time
constexpr const char *NOT_A_MAP = "a map file begins with FORM and has the form type FMAP";

std::string chunk_text(const unsigned char *header, std::uint64_t offset)
{
    return "chunk " + MapChunkIdText(std::string(header, header + MAP_CHUNK_ID_SIZE)) +
           " at offset " + std::to_string(offset);
}

std::string longer_than_left(const unsigned char *header, std::uint64_t offset,
                             std::uint32_t size, std::uint64_t left)
{
    return chunk_text(header, offset) + " says " + std::to_string(size) +
           " bytes of data, only " + std::to_string(left) + " remain";
}

std::string no_memory_for(const unsigned char *header, std::uint64_t offset)
{
    return "no memory for the data of " + chunk_text(header, offset);
}

std::string too_few_for_header(std::uint64_t count, std::uint64_t offset)
{
    return std::to_string(count) + " bytes at offset " + std::to_string(offset) +
           " are too few for a chunk header";
}

std::string sizes_differ(std::uint64_t form_size, std::uint64_t file_size)
{
    return "the form length says the file has " + std::to_string(form_size) + " bytes, it has " +
           std::to_string(file_size);
}

// The bytes of a file that follow where a walk stopped.
std::uint64_t count_rest(PACKFILE *file)
{
    std::uint64_t rest = 0;
    unsigned char piece[REST_PIECE];
    long got;
    while ((got = pack_fread(piece, REST_PIECE, file)) > 0)
        rest += static_cast<std::uint64_t>(got);
    return rest;
}

// The outer header as the file holds it, right or wrong.
void note_outer_header(const unsigned char *head, MapChunkWalk &walk)
{
    walk.form_id.assign(head, head + FORM_ID_SIZE);
    walk.form_length = MapGetchksz(head + FORM_LENGTH_OFFSET);
    walk.form_type.assign(head + FORM_TYPE_OFFSET, head + FORM_HEADER_SIZE);
}

// Every whole chunk into the walk; true when it reached the form's end.
bool list_chunks(MapFormReader &reader, MapChunkWalk &walk)
{
    int step;
    while ((step = reader.next_chunk()) > 0) {
        const unsigned char *chunk = reader.chunk();
        walk.chunks.push_back({std::string(chunk, chunk + MAP_CHUNK_ID_SIZE),
                               reader.chunk_offset(), MapChunkLength(chunk)});
    }
    return step == 0;
}

} // namespace

MapFormReader::MapFormReader(PACKFILE *file, const unsigned char *image)
    : file_(file), pos_(image)
{
}

MapFormReader::~MapFormReader()
{
    MapRelease(buffer_);
}

std::size_t MapFormReader::read(unsigned char *to, std::size_t count)
{
    const long got = pack_fread(to, static_cast<long>(count), file_);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

int MapFormReader::fail(int code, std::string problem)
{
    error_ = code;
    problem_ = std::move(problem);
    return -1;
}

// Checked in order, identifier, length, form type, so that an image is read no further than
// its header allows; a file's twelve bytes are read at once, for a walk to tell what they hold.
int MapFormReader::read_outer_header()
{
    const unsigned char *head = pos_;
    if (file_) {
        const std::size_t got = read(outer_, FORM_HEADER_SIZE);
        if (got < FORM_HEADER_SIZE)
            return fail(MER_MAPLOADERROR, std::to_string(got) +
                                              " bytes is too short for the outer header (" +
                                              std::to_string(FORM_HEADER_SIZE) + " bytes)");
        outer_read_ = true;
        head = outer_;
    }
    if (!head || std::memcmp(head, FORM_ID, FORM_ID_SIZE) != 0)
        return fail(MER_MAPLOADERROR, NOT_A_MAP);
    const std::uint32_t form_length = MapGetchksz(head + FORM_LENGTH_OFFSET);
    if (form_length < MIN_FORM_LENGTH)
        return fail(MER_MAPLOADERROR, "a form length of " + std::to_string(form_length) +
                                          ": it counts the form type, so at least " +
                                          std::to_string(MIN_FORM_LENGTH));
    if (std::memcmp(head + FORM_TYPE_OFFSET, FORM_TYPE, FORM_ID_SIZE) != 0)
        return fail(MER_MAPLOADERROR, NOT_A_MAP);
    if (!file_)
        pos_ += FORM_HEADER_SIZE;
    enter_form(form_length + FORM_LENGTH_EXTRA);
    return 0;
}

const unsigned char *MapFormReader::outer_header() const
{
    return outer_read_ ? outer_ : nullptr;
}

void MapFormReader::enter_form(long length)
{
    form_size_ = length;
    offset_ = FORM_HEADER_SIZE;
    remaining_ = length - FORM_HEADER_SIZE;
}

int MapFormReader::next_chunk()
{
    MapRelease(buffer_);
    chunk_ = nullptr;
    if (remaining_ <= 0)
        return 0;
    if (remaining_ < MAP_CHUNK_HEADER_SIZE)
        return fail(MER_MAPLOADERROR, too_few_for_header(remaining_, offset_));
    unsigned char header[MAP_CHUNK_HEADER_SIZE];
    if (take_chunk_header(header) != 0)
        return -1;
    const std::uint32_t size = MapChunkLength(header);
    const auto room = static_cast<std::uint64_t>(remaining_ - MAP_CHUNK_HEADER_SIZE);
    if (size > room)
        return fail(MER_MAPLOADERROR, longer_than_left(header, offset_, size, room));
    if (file_ && read_chunk(header, size) != 0)
        return -1;
    chunk_ = file_ ? buffer_ : pos_;
    chunk_offset_ = offset_;
    if (!file_)
        pos_ += MAP_CHUNK_HEADER_SIZE + std::size_t{size};
    offset_ += MAP_CHUNK_HEADER_SIZE + std::uint64_t{size};
    remaining_ -= MAP_CHUNK_HEADER_SIZE + static_cast<long>(size);
    return 1;
}

// A file may end before the form does, inside the header or right where it should begin.
int MapFormReader::take_chunk_header(unsigned char *header)
{
    if (!file_) {
        if (!pos_)
            return fail(MER_MAPLOADERROR, "no image holds the chunks");
        std::memcpy(header, pos_, MAP_CHUNK_HEADER_SIZE);
        return 0;
    }
    const std::size_t got = read(header, MAP_CHUNK_HEADER_SIZE);
    if (got == 0)
        return fail(MER_MAPLOADERROR, sizes_differ(form_size_, offset_));
    if (got < MAP_CHUNK_HEADER_SIZE)
        return fail(MER_MAPLOADERROR, too_few_for_header(got, offset_));
    return 0;
}

// The data is read in steps that at most double what has arrived, so a length that promises
// more than the file holds fails as a short read without taking the memory it promises (a
// packed file does not tell its unpacked length in advance).
int MapFormReader::read_chunk(const unsigned char *header, std::uint32_t size)
{
    std::size_t held = std::min<std::size_t>(size, CHUNK_FIRST_READ);
    buffer_ = MapAllocate<unsigned char>(held + MAP_CHUNK_HEADER_SIZE);
    if (!buffer_)
        return fail(MER_OUTOFMEM, no_memory_for(header, offset_));
    std::memcpy(buffer_, header, MAP_CHUNK_HEADER_SIZE);
    std::size_t arrived = 0;
    for (;;) {
        arrived += read(buffer_ + MAP_CHUNK_HEADER_SIZE + arrived, held - arrived);
        if (arrived < held) {
            MapRelease(buffer_);
            return fail(MER_MAPLOADERROR, longer_than_left(header, offset_, size, arrived));
        }
        if (arrived == size)
            return 0;
        held = std::min<std::size_t>(size, 2 * arrived);
        // realloc keeps the malloc'd block that MapRelease frees.
        auto *grown = static_cast<unsigned char *>(
            std::realloc(buffer_, held + MAP_CHUNK_HEADER_SIZE));
        if (!grown) {
            MapRelease(buffer_);
            return fail(MER_OUTOFMEM, no_memory_for(header, offset_));
        }
        buffer_ = grown;
    }
}

std::string MapChunkIdText(const std::string &id)
{
    constexpr const char *HEX = "0123456789abcdef";
    std::string text;
    for (unsigned char c : id) {
        if (MapIsPrintableAscii(c))
            text += static_cast<char>(c);
        else
            text += std::string("\\x") + HEX[c >> 4] + HEX[c & 15];
    }
    return text;
}

int MapWalkChunks(const char *filename, MapChunkWalk &walk)
{
    walk = MapChunkWalk{};
    std::string reason = "no file named";
    PACKFILE *file = filename ? MapOpenFile(filename, &reason) : nullptr;
    if (!file) {
        walk.problem = "the file cannot be read: " + reason;
        return -1;
    }
    MapFormReader reader(file, nullptr);
    const bool header_sound = reader.read_outer_header() == 0;
    if (const unsigned char *head = reader.outer_header())
        note_outer_header(head, walk);
    const bool whole = header_sound && list_chunks(reader, walk);
    const std::uint64_t after_form = whole ? count_rest(file) : 0;
    const std::string unreadable = MapFileProblem(file);
    pack_fclose(file);
    if (!whole || !unreadable.empty()) {
        walk.problem =
            unreadable.empty() ? reader.problem() : "the file cannot be read: " + unreadable;
        return -1;
    }
    if (after_form > 0)
        walk.problem = sizes_differ(reader.form_size(), reader.form_size() + after_form);
    return 0;
}
