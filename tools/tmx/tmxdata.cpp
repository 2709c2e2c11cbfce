// Layer data decoding: the CSV reader and the base64 decoder are written here; zlib and zstd
// unpack. And the count of an XML text's nodes before pugixml builds its tree.
#include "tmxdata.h"

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace {

constexpr std::size_t GID_SIZE = 4; // base64 data holds little-endian 32-bit ids
constexpr int ZLIB_WINDOW_BITS = 15;
constexpr int GZIP_WINDOW_BITS = ZLIB_WINDOW_BITS + 16; // zlib's way of asking for gzip
constexpr std::size_t GUNZIP_STEP = 1 << 16;
constexpr unsigned char GZIP_MAGIC[] = {0x1f, 0x8b};

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// What pugixml skips without a node, or makes one node of, by how they begin and end.
constexpr std::string_view COMMENT_START = "<!--", COMMENT_END = "-->";
constexpr std::string_view CDATA_START = "<![CDATA[", CDATA_END = "]]>";
constexpr std::string_view INSTRUCTION_START = "<?", INSTRUCTION_END = "?>";
constexpr std::string_view DECLARATION_START = "<!", END_TAG_START = "</", TAG_END = ">";

bool begins_with(std::string_view text, std::string_view start)
{
    return text.compare(0, start.size(), start) == 0;
}

// The offset just past the first `end` from `from` on, or the end of the text.
std::size_t past(std::string_view text, std::size_t from, std::string_view end)
{
    const std::size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

std::string cells_text(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " cell" : " cells");
}

std::string length_problem(std::size_t found, std::size_t count)
{
    return "the data holds " + cells_text(found) + ", the layer has " + cells_text(count);
}

bool decode_csv(std::string_view text, std::size_t count, TmxGids &gids, std::string &problem)
{
    gids.clear();
    std::size_t i = 0;
    auto skip_blanks = [&] {
        while (i < text.size() && is_blank(text[i]))
            ++i;
    };
    skip_blanks();
    while (i < text.size()) {
        std::uint64_t value = 0;
        const std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' &&
               value <= std::numeric_limits<std::uint32_t>::max())
            value = value * 10 + static_cast<unsigned>(text[i++] - '0');
        if (i == start || value > std::numeric_limits<std::uint32_t>::max()) {
            problem = "CSV data: \"" + std::string(text.substr(start, 12)) +
                      "\" is not a tile id (item " + std::to_string(gids.size() + 1) + ")";
            return false;
        }
        if (gids.size() == count) {
            problem = "the data holds more than the layer's " + cells_text(count);
            return false;
        }
        gids.push_back(static_cast<std::uint32_t>(value));
        skip_blanks();
        if (i < text.size() && text[i] == ',') {
            ++i;
            skip_blanks();
        } else if (i < text.size()) {
            problem = std::string("CSV data: unexpected '") + text[i] + "' after item " +
                      std::to_string(gids.size());
            return false;
        }
    }
    if (gids.size() != count) {
        problem = length_problem(gids.size(), count);
        return false;
    }
    return true;
}

int base64_value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// Both zlib and gzip streams, into exactly `size` bytes at `out`.
bool inflate_exactly(std::string_view packed, int window_bits, char *out, std::size_t size,
                     std::string &problem)
{
    const char *const name = window_bits == GZIP_WINDOW_BITS ? "gzip" : "zlib";
    z_stream zs{};
    if (inflateInit2(&zs, window_bits) != Z_OK) {
        problem = std::string("cannot start ") + name + " decompression";
        return false;
    }
    std::array<unsigned char, 1> spare;
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
    zs.avail_in = static_cast<uInt>(packed.size());
    zs.next_out = reinterpret_cast<Bytef *>(out);
    zs.avail_out = static_cast<uInt>(size);
    int status = inflate(&zs, Z_FINISH);
    const std::size_t produced = size - zs.avail_out;
    bool too_long = false;
    if (status == Z_BUF_ERROR && zs.avail_out == 0) {
        // Full: one more byte tells a stream that ends here from one that goes on.
        zs.next_out = spare.data();
        zs.avail_out = static_cast<uInt>(spare.size());
        const int next = inflate(&zs, Z_FINISH);
        too_long = next == Z_STREAM_END || zs.avail_out == 0;
    }
    const std::string message = zs.msg ? zs.msg : "the stream ends early";
    inflateEnd(&zs);
    if (too_long) {
        problem = "the " + std::string(name) + " data unpacks to more than the layer's " +
                  std::to_string(size) + " bytes";
        return false;
    }
    if (status != Z_STREAM_END) {
        problem = "broken " + std::string(name) + " stream: " + message;
        return false;
    }
    if (produced != size) {
        problem = "the " + std::string(name) + " data unpacks to " + std::to_string(produced) +
                  " bytes, the layer needs " + std::to_string(size);
        return false;
    }
    return true;
}

bool unzstd_exactly(std::string_view packed, char *out, std::size_t size, std::string &problem)
{
    const std::size_t produced = ZSTD_decompress(out, size, packed.data(), packed.size());
    if (ZSTD_isError(produced)) {
        problem = std::string("broken zstd stream: ") + ZSTD_getErrorName(produced) +
                  " (the layer needs " + std::to_string(size) + " bytes)";
        return false;
    }
    if (produced != size) {
        problem = "the zstd data unpacks to " + std::to_string(produced) +
                  " bytes, the layer needs " + std::to_string(size);
        return false;
    }
    return true;
}

// Into exactly `size` bytes at `out`: a layer's ids, unpacked where they are to stay.
bool unpack(std::string_view packed, std::string_view compression, char *out, std::size_t size,
            std::string &problem)
{
    if (compression.empty()) {
        if (packed.size() != size) {
            problem = "the data holds " + std::to_string(packed.size()) + " bytes, the layer's " +
                      cells_text(size / GID_SIZE) + " need " + std::to_string(size);
            return false;
        }
        std::copy(packed.begin(), packed.end(), out);
        return true;
    }
    if (compression == "zlib")
        return inflate_exactly(packed, ZLIB_WINDOW_BITS, out, size, problem);
    if (compression == "gzip")
        return inflate_exactly(packed, GZIP_WINDOW_BITS, out, size, problem);
    if (compression == "zstd")
        return unzstd_exactly(packed, out, size, problem);
    problem =
        "unknown compression \"" + std::string(compression) + "\" (expected zlib, gzip or zstd)";
    return false;
}

} // namespace

bool decode_base64(std::string_view text, std::string &bytes, std::string &problem)
{
    bytes.clear();
    std::uint32_t bits = 0;
    int held = 0; // characters of the current group of four
    int padding = 0;
    std::size_t significant = 0;
    for (char c : text) {
        if (is_blank(c))
            continue;
        ++significant;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = base64_value(c);
        if (value < 0 || padding > 0) {
            problem = value < 0 ? std::string("'") + c + "' is not a base64 character"
                                : "base64 characters after the '=' padding";
            return false;
        }
        bits = bits << 6 | static_cast<std::uint32_t>(value);
        if (++held == 4) {
            bytes.push_back(static_cast<char>(bits >> 16));
            bytes.push_back(static_cast<char>(bits >> 8));
            bytes.push_back(static_cast<char>(bits));
            bits = 0;
            held = 0;
        }
    }
    if (significant % 4 != 0 || padding > 2 || (padding > 0 && held + padding != 4)) {
        problem = "truncated base64: " + std::to_string(significant) +
                  " characters, not a whole number of groups of four";
        return false;
    }
    if (held == 3) {
        bytes.push_back(static_cast<char>(bits >> 10));
        bytes.push_back(static_cast<char>(bits >> 2));
    } else if (held == 2) {
        bytes.push_back(static_cast<char>(bits >> 4));
    }
    return true;
}

// A text, a comment, a CDATA section, a processing instruction or declaration, an end tag or a
// start tag at each step. A start tag is an element and an attribute for every '=' outside its
// quoted values; pugixml takes no attribute without one and stops at the first malformed tag.
bool count_xml(std::string_view text, std::uint64_t max_nodes, std::uint64_t &nodes,
               std::size_t &stop)
{
    auto one_more = [&](std::size_t at) {
        stop = at;
        return ++nodes <= max_nodes;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const std::string_view rest = text.substr(i);
        if (rest[0] != '<') {
            const std::size_t end = std::min(text.find('<', i), text.size());
            if (!std::all_of(rest.begin(), rest.begin() + (end - i), is_blank) && !one_more(i))
                return false;
            i = end;
        } else if (begins_with(rest, COMMENT_START)) {
            i = past(text, i + COMMENT_START.size(), COMMENT_END);
        } else if (begins_with(rest, CDATA_START)) {
            if (!one_more(i))
                return false;
            i = past(text, i + CDATA_START.size(), CDATA_END);
        } else if (begins_with(rest, INSTRUCTION_START)) {
            i = past(text, i + INSTRUCTION_START.size(), INSTRUCTION_END);
        } else if (begins_with(rest, DECLARATION_START) || begins_with(rest, END_TAG_START)) {
            i = past(text, i + 2, TAG_END);
        } else {
            if (!one_more(i))
                return false;
            std::size_t j = i + 1;
            char quote = 0;
            for (; j < text.size() && (quote || text[j] != TAG_END[0]); ++j) {
                if (quote)
                    quote = text[j] == quote ? 0 : quote;
                else if (text[j] == '"' || text[j] == '\'')
                    quote = text[j];
                else if (text[j] == '=' && !one_more(j))
                    return false;
            }
            i = j + 1;
        }
    }
    return true;
}

bool decode_layer_data(std::string_view text, std::string_view encoding,
                       std::string_view compression, std::size_t count, TmxGids &gids,
                       std::string &problem)
{
    if (encoding == "csv") {
        if (!compression.empty()) {
            problem =
                "CSV data cannot be compressed (compression \"" + std::string(compression) + "\")";
            return false;
        }
        return decode_csv(text, count, gids, problem);
    }
    if (encoding != "base64") {
        problem = "unknown encoding \"" + std::string(encoding) + "\" (expected csv or base64)";
        return false;
    }
    std::string packed;
    if (!decode_base64(text, packed, problem))
        return false;
    gids.assign(count, 0);
    if (!unpack(packed, compression, reinterpret_cast<char *>(gids.data()), count * GID_SIZE,
                problem))
        return false;
    for (std::uint32_t &gid : gids) {
        unsigned char p[GID_SIZE];
        std::memcpy(p, &gid, GID_SIZE);
        gid = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
              std::uint32_t(p[3]) << 24;
    }
    return true;
}

bool is_gzip(std::string_view bytes)
{
    return bytes.size() >= sizeof GZIP_MAGIC &&
           static_cast<unsigned char>(bytes[0]) == GZIP_MAGIC[0] &&
           static_cast<unsigned char>(bytes[1]) == GZIP_MAGIC[1];
}

bool gunzip(std::string_view packed, std::size_t limit, std::string &bytes, std::string &problem)
{
    z_stream zs{};
    if (inflateInit2(&zs, GZIP_WINDOW_BITS) != Z_OK) {
        problem = "cannot start gzip decompression";
        return false;
    }
    bytes.clear();
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
    zs.avail_in = static_cast<uInt>(packed.size());
    int status = Z_OK;
    while (status == Z_OK) {
        const std::size_t had = bytes.size();
        bytes.resize(had + GUNZIP_STEP);
        zs.next_out = reinterpret_cast<Bytef *>(bytes.data() + had);
        zs.avail_out = static_cast<uInt>(GUNZIP_STEP);
        status = inflate(&zs, Z_NO_FLUSH);
        bytes.resize(had + GUNZIP_STEP - zs.avail_out);
        if (bytes.size() > limit) {
            problem = "unpacks to more than " + std::to_string(limit) + " bytes";
            inflateEnd(&zs);
            return false;
        }
    }
    const std::string message = zs.msg ? zs.msg : "the stream ends early";
    inflateEnd(&zs);
    if (status != Z_STREAM_END) {
        problem = "broken gzip stream: " + message;
        return false;
    }
    return true;
}
