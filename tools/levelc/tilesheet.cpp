// Reading the tile art: the PCX sheet through Allegro once its header has been checked, the
// names file by hand.
#include "tilesheet.h"

#include "colour.h"
#include "sourcewords.h"

#include <allegro.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <set>

namespace {

constexpr int PALETTE_SIZE = 256;
constexpr std::size_t MAX_GRAPHIC_DIGITS = 6; // more than any sheet has, fewer than overflow
// The map header counts graphics in a signed 16-bit field.
constexpr long long MAX_GRAPHICS = std::numeric_limits<std::int16_t>::max();

// The PCX header, as far as Allegro's reader trusts it; numbers are little-endian 16-bit.
constexpr std::size_t PCX_HEADER_SIZE = 128;
constexpr unsigned char PCX_MANUFACTURER = 10;
enum PcxOffset { PCX_BITS = 3, PCX_XMIN = 4, PCX_YMIN = 6, PCX_XMAX = 8, PCX_YMAX = 10,
                 PCX_PLANES = 65, PCX_BYTES_PER_LINE = 66 };
constexpr int SHEET_BITS = 8, SHEET_PLANES = 1;
// Writers pad lines to an even or a word length; Allegro reads every padding byte, so a line
// may not claim much more than the picture is wide.
constexpr long PCX_MAX_LINE_PADDING = 16;
// Pixels are run-length coded line by line, a run of at most 63 bytes taking two bytes.
constexpr long PCX_LONGEST_RUN = 63, PCX_RUN_SIZE = 2;
// A 256-colour palette follows the pixels: a marker byte, then 256 x red, green, blue.
constexpr long PCX_PALETTE_SIZE = 1 + 3 * PALETTE_SIZE;
constexpr int PCX_PALETTE_MARKER = 12;

using PcxHeader = std::array<unsigned char, PCX_HEADER_SIZE>;

// What Allegro's PCX reader takes on trust: it allocates and reads whatever size the header
// claims, and leaves the palette unset when the file has none.
struct PcxFacts {
    PcxHeader header{};
    long size = 0;
    int palette_marker = EOF; // the byte where a file's palette begins, at its very end
};

long pcx_number(const PcxHeader &header, int offset)
{
    return header[offset] | (header[offset + 1] << 8);
}

// False with a message when the file has no whole header.
bool read_pcx_facts(const std::string &pcx, PcxFacts &facts, std::string &problem)
{
    facts.size = static_cast<long>(pcx.size());
    if (pcx.size() < PCX_HEADER_SIZE) {
        problem = "the tile sheet is too short for a PCX image";
        return false;
    }
    std::copy_n(pcx.begin(), PCX_HEADER_SIZE, facts.header.begin());
    if (facts.size >= static_cast<long>(PCX_HEADER_SIZE) + PCX_PALETTE_SIZE)
        facts.palette_marker = static_cast<unsigned char>(pcx[pcx.size() - PCX_PALETTE_SIZE]);
    return true;
}

// Allegro reads the picture from a PACKFILE; this one reads the bytes already in memory.
struct MemoryFile {
    const std::string &bytes;
    std::size_t at = 0;
};

MemoryFile &memory(void *userdata) { return *static_cast<MemoryFile *>(userdata); }
int memory_close(void *) { return 0; }

int memory_getc(void *userdata)
{
    MemoryFile &file = memory(userdata);
    return file.at < file.bytes.size() ? static_cast<unsigned char>(file.bytes[file.at++]) : EOF;
}

long memory_read(void *p, long n, void *userdata)
{
    MemoryFile &file = memory(userdata);
    const std::size_t count = std::min<std::size_t>(n > 0 ? n : 0, file.bytes.size() - file.at);
    std::memcpy(p, file.bytes.data() + file.at, count);
    file.at += count;
    return static_cast<long>(count);
}

// The PCX reader only reads forward.
int memory_ungetc(int, void *) { return EOF; }
int memory_putc(int, void *) { return EOF; }
long memory_write(const void *, long, void *) { return 0; }
int memory_seek(void *, int) { return -1; }
int memory_eof(void *userdata) { return memory(userdata).at == memory(userdata).bytes.size(); }
int memory_error(void *) { return 0; }

const PACKFILE_VTABLE MEMORY_FILE = {memory_close, memory_getc,  memory_ungetc,
                                     memory_read,  memory_putc,  memory_write,
                                     memory_seek,  memory_eof,   memory_error};

BITMAP *decode_pcx(const std::string &pcx, RGB *palette)
{
    MemoryFile file{pcx};
    PACKFILE *in = pack_fopen_vtable(&MEMORY_FILE, &file);
    if (!in)
        return nullptr;
    BITMAP *bmp = load_pcx_pf(in, palette);
    pack_fclose(in);
    return bmp;
}

// What is wrong with the sheet for Allegro's reader and for a map; empty when nothing is.
std::string sheet_problem(const PcxFacts &facts)
{
    const PcxHeader &header = facts.header;
    if (header[0] != PCX_MANUFACTURER)
        return "the tile sheet is not a PCX image";
    if (header[PCX_BITS] != SHEET_BITS || header[PCX_PLANES] != SHEET_PLANES)
        return "the tile sheet must be an 8-bit (256-colour) PCX";
    const long width = pcx_number(header, PCX_XMAX) - pcx_number(header, PCX_XMIN) + 1;
    const long height = pcx_number(header, PCX_YMAX) - pcx_number(header, PCX_YMIN) + 1;
    if (width <= 0 || height <= 0 || width % TILE_PIXELS || height % TILE_PIXELS)
        return "the tile sheet is " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels, not a whole number of 16 x 16 tiles";
    const long long graphics = (width / TILE_PIXELS) * (height / TILE_PIXELS);
    if (graphics > MAX_GRAPHICS)
        return "the tile sheet holds " + std::to_string(graphics) +
               " graphics of 16 x 16 pixels, more than the " + std::to_string(MAX_GRAPHICS) +
               " a map can hold";
    const long line = pcx_number(header, PCX_BYTES_PER_LINE);
    if (line < width || line > width + PCX_MAX_LINE_PADDING)
        return "the tile sheet's lines are " + std::to_string(line) + " bytes long, for " +
               std::to_string(width) + " pixels";
    const long shortest = static_cast<long>(PCX_HEADER_SIZE) + PCX_PALETTE_SIZE +
                          height * PCX_RUN_SIZE * ((line + PCX_LONGEST_RUN - 1) / PCX_LONGEST_RUN);
    if (facts.size < shortest)
        return "the tile sheet is cut short: " + std::to_string(facts.size) +
               " bytes, where its size needs at least " + std::to_string(shortest);
    if (facts.palette_marker != PCX_PALETTE_MARKER)
        return "the tile sheet has no 256-colour palette at its end";
    return "";
}

void copy_graphic(BITMAP *sheet, int x0, int y0, std::vector<unsigned char> &pixels)
{
    for (int y = 0; y < TILE_PIXELS; ++y)
        for (int x = 0; x < TILE_PIXELS; ++x)
            pixels.push_back(static_cast<unsigned char>(getpixel(sheet, x0 + x, y0 + y)));
}

} // namespace

bool parse_graphic_number(const std::string &text, int &number)
{
    if (text.empty() || text.size() > MAX_GRAPHIC_DIGITS ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    number = std::stoi(text);
    return true;
}

bool load_tile_pixels(const std::string &pcx_path, const std::string &pcx, TileSheet &sheet,
                      Diagnostics &errors)
{
    PcxFacts facts;
    std::string problem;
    if (read_pcx_facts(pcx, facts, problem))
        problem = sheet_problem(facts);
    if (!problem.empty()) {
        errors.error(pcx_path, {}, problem);
        return false;
    }
    PALETTE palette = {};
    set_color_conversion(COLORCONV_NONE);
    BITMAP *bmp = decode_pcx(pcx, palette);
    if (!bmp) {
        errors.error(pcx_path, {}, "cannot read the tile sheet as a PCX image");
        return false;
    }
    const int columns = bmp->w / TILE_PIXELS;
    sheet.count = columns * (bmp->h / TILE_PIXELS);
    sheet.pixels.clear();
    for (int n = 0; n < sheet.count; ++n)
        copy_graphic(bmp, n % columns * TILE_PIXELS, n / columns * TILE_PIXELS, sheet.pixels);
    sheet.cmap.clear();
    for (int i = 0; i < PALETTE_SIZE; ++i) {
        sheet.cmap.push_back(component_8bit(palette[i].r));
        sheet.cmap.push_back(component_8bit(palette[i].g));
        sheet.cmap.push_back(component_8bit(palette[i].b));
    }
    destroy_bitmap(bmp);
    return true;
}

bool parse_tile_names(const std::string &file, const std::string &text, TileSheet &sheet,
                      Diagnostics &errors)
{
    std::set<int> numbered;
    bool ok = true;
    bool named_any = false, given_up = false;
    const auto name_line = [&](const std::string &line, int line_number) {
        const std::vector<SourceWord> words = split_words(line, line_number);
        if (given_up || words.empty() || words[0].text[0] == '#')
            return;
        const SourcePos pos = words[0].pos;
        int number = 0;
        if (words.size() != 2 || !parse_graphic_number(words[0].text, number)) {
            // A file that starts with no name is likely some other file the source named: one
            // of its lines is quoted, not all of them.
            given_up = !named_any;
            errors.error(file, pos, "expected \"number name\", not " +
                                        quoted_excerpt(line.substr(pos.column - 1)) +
                                        (given_up ? "; the rest of the file is not read" : ""));
            ok = false;
            return;
        }
        named_any = true;
        const std::string &name = words[1].text;
        if (number >= sheet.count) {
            errors.error(file, pos, "graphic " + words[0].text + " does not exist: the sheet has " +
                                        std::to_string(sheet.count) + " graphics");
            ok = false;
        } else if (!numbered.insert(number).second) {
            errors.error(file, pos, "graphic " + words[0].text + " is named twice");
            ok = false;
        } else if (!sheet.names.emplace(name, number).second) {
            errors.error(file, words[1].pos, "the name " + quoted_excerpt(name) + " is given twice");
            ok = false;
        }
    };
    for_each_line(text, name_line);
    return ok;
}
