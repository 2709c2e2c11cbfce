// Loading "gfx.dat": the girl table by datafile position, the palette and font, and refusing a
// missing file, one that is not a regular file, or one whose objects are not a font, a palette
// and fourteen bitmaps.
#include "graphic.h"
#include "headless.h"
#include "testfiles.h"

#include <sys/stat.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::string;

void put32(Bytes &out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>(v >> shift));
}

void put16(Bytes &out, int v)
{
    out.push_back(static_cast<char>(v >> 8));
    out.push_back(static_cast<char>(v));
}

Bytes object(std::uint32_t type, const Bytes &data)
{
    Bytes out;
    put32(out, type);
    put32(out, data.size());
    put32(out, data.size());
    return out + data;
}

// A monochrome font of 8 x 8 glyphs, one range each: by default the space, and the '^' that
// Allegro draws for any character a font lacks.
Bytes font_object(std::initializer_list<char> glyphs = {' ', '^'})
{
    Bytes d;
    put16(d, 0); // the format of fonts with character ranges
    put16(d, static_cast<int>(glyphs.size()));
    for (char c : glyphs) {
        d.push_back(1);
        put32(d, c);
        put32(d, c);
        put16(d, 8);
        put16(d, 8);
        d.append(8, '\0');
    }
    return object(DAT_FONT, d);
}

// Entry c is (c / 4, c % 64, 63 - c % 64) in 6-bit components.
Bytes palette_object()
{
    Bytes d;
    for (int c = 0; c < PAL_SIZE; ++c)
        d += {static_cast<char>(c / 4), static_cast<char>(c % 64), static_cast<char>(63 - c % 64),
              '\0'};
    return object(DAT_PALETTE, d);
}

// An 8-bit bitmap whose width names its datafile position (and whose depth field may lie).
Bytes bitmap_object(int position, int depth = 8)
{
    Bytes d;
    put16(d, depth);
    put16(d, position);
    put16(d, 1);
    d.append(position, static_cast<char>(position));
    return object(DAT_BITMAP, d);
}

// The objects after the magic number that says whether the rest is packed.
Bytes datafile_body(const std::vector<Bytes> &objects)
{
    Bytes out;
    put32(out, DAT_MAGIC);
    put32(out, objects.size());
    for (const Bytes &o : objects)
        out += o;
    return out;
}

Bytes datafile(const std::vector<Bytes> &objects)
{
    Bytes out;
    put32(out, F_NOPACK_MAGIC);
    return out + datafile_body(objects);
}

// Data packed by Allegro's own packer: the packed-file magic number, then the LZSS stream.
Bytes packed(const Bytes &data)
{
    const testfiles::ScratchFile file("packed");
    EXPECT_TRUE(testfiles::write_packed_file(file.path(), data));
    return testfiles::read_file(file.path());
}

// An object packed on its own: the LZSS stream, its size, and the unpacked size negated.
Bytes packed_object(const Bytes &object)
{
    constexpr std::size_t HEADER = 12, MAGIC = 4;
    const Bytes stream = packed(object.substr(HEADER)).substr(MAGIC);
    Bytes out = object.substr(0, 4);
    put32(out, stream.size());
    put32(out, -static_cast<std::uint32_t>(object.size() - HEADER));
    return out + stream;
}

std::vector<Bytes> game_objects()
{
    std::vector<Bytes> objects = {font_object(), palette_object()};
    for (int position = 2; position < 16; ++position)
        objects.push_back(bitmap_object(position));
    return objects;
}

// The game's objects with the one at `position` replaced.
Bytes datafile_with(std::size_t position, const Bytes &replacement)
{
    std::vector<Bytes> objects = game_objects();
    objects[position] = replacement;
    return datafile(objects);
}

// Each test in a folder of its own, where the game looks for "gfx.dat".
class LoadGraphics : public HeadlessTest {
protected:
    void TearDown() override
    {
        unload_graphics();
        HeadlessTest::TearDown();
    }

    void write(const Bytes &contents) { ASSERT_TRUE(testfiles::write_file("gfx.dat", contents)); }

    void expect_nothing_loaded()
    {
        EXPECT_EQ(gfx, nullptr);
        EXPECT_EQ(comicf, nullptr);
        EXPECT_EQ(pal, nullptr);
        for (BITMAP *entry : girl)
            EXPECT_EQ(entry, nullptr);
    }

    testfiles::CurrentFolder folder;
};

TEST_F(LoadGraphics, TheGirlTableFollowsTheDatafilePositions)
{
    write(datafile(game_objects()));
    ASSERT_EQ(load_graphics(), 0);
    const int position_of_entry[GIRL_PICTURES] = {14, 13, 15, 13, 10, 11, 12, 11,
                                                  9,  3,  4,  5,  6,  7,  8,  2};
    for (int entry = 0; entry < GIRL_PICTURES; ++entry) {
        ASSERT_NE(girl[entry], nullptr);
        EXPECT_EQ(girl[entry]->w, position_of_entry[entry]) << "entry " << entry;
    }
    EXPECT_EQ(girl[3], girl[1]);
    EXPECT_EQ(girl[7], girl[5]);
    EXPECT_EQ(comicf, gfx[0].dat);
    EXPECT_EQ(text_length(comicf, " "), 8);
}

TEST_F(LoadGraphics, TheDatafilePaletteIsSelected)
{
    write(datafile(game_objects()));
    ASSERT_EQ(load_graphics(), 0);
    ASSERT_EQ(pal, gfx[1].dat);
    PALETTE current;
    get_palette(current);
    for (int c = 0; c < PAL_SIZE; ++c) {
        EXPECT_EQ(current[c].r, c / 4) << c;
        EXPECT_EQ(current[c].g, c % 64) << c;
        EXPECT_EQ(current[c].b, 63 - c % 64) << c;
    }
}

TEST_F(LoadGraphics, UnloadingClearsEveryGlobal)
{
    write(datafile(game_objects()));
    ASSERT_EQ(load_graphics(), 0);
    unload_graphics();
    expect_nothing_loaded();
}

TEST_F(LoadGraphics, LoadingAgainReplacesTheFirstLoad)
{
    write(datafile(game_objects()));
    ASSERT_EQ(load_graphics(), 0);
    ASSERT_EQ(load_graphics(), 0);
    EXPECT_EQ(girl[0]->w, 14);
    std::remove("gfx.dat");
    EXPECT_EQ(load_graphics(), -1);
    expect_nothing_loaded();
}

// Nor does a name that is no regular file: nothing waits on a FIFO or reads a device.
TEST_F(LoadGraphics, AMissingFileLoadsNothing)
{
    EXPECT_EQ(load_graphics(), -1);
    expect_nothing_loaded();
    ASSERT_EQ(mkfifo("fifo.dat", 0600), 0);
    std::filesystem::create_directory("folder.dat");
    std::filesystem::create_symlink("/dev/zero", "zeros.dat");
    for (const char *name : {"fifo.dat", "folder.dat", "zeros.dat"}) {
        EXPECT_EQ(load_graphics(name), -1) << name;
        expect_nothing_loaded();
    }
}

TEST_F(LoadGraphics, AFileThatIsNoDatafileLoadsNothing)
{
    write("this is not a datafile at all");
    EXPECT_EQ(load_graphics(), -1);
    expect_nothing_loaded();
}

TEST_F(LoadGraphics, ObjectsOfTheWrongKindOrTooFewLoadNothing)
{
    std::vector<std::vector<Bytes>> bad;
    std::vector<Bytes> objects = game_objects();
    objects.pop_back();
    bad.push_back(objects);
    objects = game_objects();
    objects[0] = bitmap_object(3);
    bad.push_back(objects);
    objects = game_objects();
    objects[1] = font_object();
    bad.push_back(objects);
    objects = game_objects();
    objects[9] = palette_object();
    bad.push_back(objects);
    for (std::size_t i = 0; i < bad.size(); ++i) {
        write(datafile(bad[i]));
        EXPECT_EQ(load_graphics(), -1) << "case " << i;
        expect_nothing_loaded();
    }
}

TEST_F(LoadGraphics, ObjectsAfterTheSixteenthAreAllowed)
{
    std::vector<Bytes> objects = game_objects();
    objects.push_back(palette_object());
    write(datafile(objects));
    EXPECT_EQ(load_graphics(), 0);
}

// Allegro's loader trusts the file: it crashes on one cut short and frees twice on a bitmap
// it cannot build. The structure is checked first; packed files and objects, whose unpacking
// cannot be vouched for, are refused.
TEST_F(LoadGraphics, OnlyDatafilesOfSoundStructureReachTheLoader)
{
    const Bytes real = testfiles::read_file(ORVIA_GFX_DAT);
    ASSERT_GT(real.size(), 8000u);
    write(real);
    EXPECT_EQ(load_graphics(), 0) << "the game's own datafile";

    Bytes palette = palette_object();
    palette[12] = 64; // a component beyond 63
    const Bytes bad[] = {
        real.substr(0, 20),
        real.substr(0, 8000),
        packed(datafile_body(game_objects())),
        datafile_with(4, packed_object(bitmap_object(4))),
        datafile_with(5, bitmap_object(5, 7)),
        datafile_with(0, font_object({' '})), // nothing to draw a missing character with
        datafile_with(1, palette),
        datafile_with(7, object(DAT_BITMAP, bitmap_object(7).substr(12) + "x")), // a byte too many
    };
    for (std::size_t i = 0; i < std::size(bad); ++i) {
        write(bad[i]);
        EXPECT_EQ(load_graphics(), -1) << "case " << i;
        expect_nothing_loaded();
    }
}

} // namespace
