// Failed loads: every maperror code, what each leaves loaded, and every malformed structure
// the loader must refuse, from memory and from files.
#include "loadertest.h"
#include "testfiles.h"

#include <malloc.h>
#include <sys/resource.h>

#include <fstream>
#include <functional>

using namespace loadertest;

// Allocation failures are among what these tests provoke: the sanitizer build's allocator then
// returns null like the plain one, instead of stopping the program.
extern "C" const char *__asan_default_options()
{
    return "allocator_may_return_null=1";
}

namespace {

using Chunks = std::vector<Chunk>;
using Mutation = std::function<void(Chunks &)>;

// Header field offsets within the MPHD data, and the layout of the sample map's ANDT data:
// six sequence entries, the end marker, animation 2, animation 1.
enum { HD_WIDTH = 4, HD_HEIGHT = 6, HD_BLOCK_WIDTH = 12, HD_DEPTH = 16, HD_BLOCKSTR_SIZE = 18,
       HD_NUM_BLOCKSTR = 20, HD_NUM_GFX = 22, HD_GAP_X = 28, HD_GAP_Y = 30 };
constexpr int ANIM1_RECORD = 6 * 4 + 2 * 16;
constexpr int FIRST_FIELD = 8, END_FIELD = 12;

Mutation header_field(int offset, int value)
{
    return [=](Chunks &c) { put_be16(chunk_of(c, "MPHD").data, offset, value); };
}

Mutation resize(const char *id, int delta)
{
    return [=](Chunks &c) {
        Bytes &d = chunk_of(c, id).data;
        d.resize(d.size() + delta);
    };
}

Mutation long_field(const char *id, int offset, std::int32_t value)
{
    return [=](Chunks &c) { put_be32(chunk_of(c, id).data, offset, static_cast<std::uint32_t>(value)); };
}

Mutation body(Bytes data)
{
    return [=](Chunks &c) { chunk_of(c, "BODY").data = data; };
}

Mutation move_to_front(const char *id)
{
    return [=](Chunks &c) {
        const Chunk moved = chunk_of(c, id);
        drop_chunk(c, id);
        c.insert(c.begin(), moved);
    };
}

Mutation repeat(const char *id)
{
    return [=](Chunks &c) { c.push_back(chunk_of(c, id)); };
}

Mutation drop(const char *id)
{
    return [=](Chunks &c) { drop_chunk(c, id); };
}

struct Malformed {
    const char *name;
    int maptype;
    Mutation mutate;
    int code = MER_MAPLOADERROR;
};

Bytes malformed_image(const Malformed &m)
{
    Chunks chunks = split(encode(sample_map(m.maptype)));
    m.mutate(chunks);
    return join(chunks);
}

class MalformedMap : public HeadlessTest, public ::testing::WithParamInterface<Malformed> {
protected:
    void load_previous_map() { ASSERT_EQ(MapDecode(encode(sample_map(1, true)).data()), 0); }
};

TEST_P(MalformedMap, ImageFailsAndLeavesNothingLoaded)
{
    load_previous_map();
    EXPECT_EQ(MapDecode(malformed_image(GetParam()).data()), -1);
    EXPECT_EQ(maperror, GetParam().code);
    EXPECT_TRUE(nothing_loaded());
}

TEST_P(MalformedMap, FileFailsAndLeavesNothingLoaded)
{
    load_previous_map();
    testfiles::ScratchFile file("malformed.fmp");
    ASSERT_TRUE(file.write(malformed_image(GetParam())));
    EXPECT_EQ(MapLoad(file.path()), -1);
    EXPECT_EQ(maperror, GetParam().code);
    EXPECT_TRUE(nothing_loaded());
}

INSTANTIATE_TEST_SUITE_P(
    EveryRule, MalformedMap,
    ::testing::Values(
        // Chunks shorter than what they must hold.
        Malformed{"HeaderShorterThan24", 1, resize("MPHD", -15)},
        Malformed{"HeaderOf30Bytes", 1, resize("MPHD", -8)},
        Malformed{"HeaderOf37Bytes", 1, resize("MPHD", -1)},
        Malformed{"BlockRecordsCutShort", 1, resize("BKDT", -1)},
        Malformed{"GraphicsCutShort", 1, resize("BGFX", -1)},
        Malformed{"AlternativeGraphicsCutShort", 1,
                  [](Chunks &c) { c.push_back({"AGFX", Bytes(4 * 6 - 1, 1)}); }},
        Malformed{"PaletteCutShort", 1, resize("CMAP", -1)},
        Malformed{"LayerEndsEarlyTypeZero", 0, resize("BODY", -1)},
        Malformed{"LayerEndsEarlyTypeOne", 1, resize("BODY", -2)},
        Malformed{"LayerEndsEarlyTypeTwo", 2, body(be16s({-5, 1, -5, 1, -5, 1, 3, 1}))},
        Malformed{"LayerEndsAfterACountTypeThree", 3,
                  body(be16s({5, 1, 1, 1, 1, 1, -5, -5, -5, -5, -5}))},
        // Animation chunks.
        Malformed{"AnimationsWithoutEndMarker", 1,
                  [](Chunks &c) { chunk_of(c, "ANDT").data[6 * 4] = 0; }},
        Malformed{"SequenceAreaNotWholeEntries", 1,
                  [](Chunks &c) {
                      Bytes &d = chunk_of(c, "ANDT").data;
                      d.insert(d.begin(), {0, 0});
                  }},
        Malformed{"SequenceEntryBeyondRecords", 1, long_field("ANDT", 8, 5)},
        Malformed{"NegativeSequenceEntry", 1, long_field("ANDT", 0, -1)},
        Malformed{"FirstFrameAfterEnd", 1, long_field("ANDT", ANIM1_RECORD + FIRST_FIELD, 5)},
        Malformed{"EndBeyondTheSequence", 1, long_field("ANDT", ANIM1_RECORD + END_FIELD, 7)},
        Malformed{"EmptyStretchAtTheSequenceEnd", 1,
                  [](Chunks &c) {
                      put_be32(chunk_of(c, "ANDT").data, ANIM1_RECORD + FIRST_FIELD, 6);
                      put_be32(chunk_of(c, "ANDT").data, ANIM1_RECORD + END_FIELD, 6);
                  }},
        Malformed{"NegativeFirstFrame", 1, long_field("ANDT", ANIM1_RECORD + FIRST_FIELD, -1)},
        // Layer groups.
        Malformed{"RunCrossesTheRowEnd", 2, body(be16s({-6, 1, -4, 1, -5, 1, -5, 1}))},
        Malformed{"LiteralsCrossTheRowEnd", 2,
                  body(be16s({6, 1, 1, 1, 1, 1, 1, -4, 1, -5, 1, -5, 1}))},
        Malformed{"CopyBeforeTheLayerStart", 3, body(be16s({-2, -1, -3, 1}))},
        Malformed{"CopyFromItsOwnPosition", 3, body(be16s({1, 1, -4, 0}))},
        Malformed{"CopyFromAhead", 3, body(be16s({1, 1, -4, 2}))},
        Malformed{"CopyReachingBeforeTheStart", 3, body(be16s({2, 1, 1, -3, -3}))},
        // Order and repetition.
        Malformed{"RecordsBeforeHeader", 1, move_to_front("BKDT")},
        Malformed{"AnimationsBeforeHeader", 1, move_to_front("ANDT")},
        Malformed{"GraphicsBeforeHeader", 1, move_to_front("BGFX")},
        Malformed{"LayerBeforeHeader", 1, move_to_front("LYR3")},
        Malformed{"HeaderTwice", 1, repeat("MPHD")},
        Malformed{"PaletteTwice", 1, repeat("CMAP")},
        Malformed{"GraphicsTwice", 1, repeat("BGFX")},
        Malformed{"NovcTwice", 1, repeat("NOVC")},
        Malformed{"BodyTwice", 2, repeat("BODY")},
        // Header values.
        Malformed{"ZeroWidth", 1, header_field(HD_WIDTH, 0)},
        Malformed{"NegativeHeight", 1, header_field(HD_HEIGHT, -4)},
        Malformed{"ZeroBlockWidth", 1, header_field(HD_BLOCK_WIDTH, 0)},
        Malformed{"ZeroGapX", 1, header_field(HD_GAP_X, 0)},
        Malformed{"NegativeGapY", 1, header_field(HD_GAP_Y, -3)},
        Malformed{"RecordsOf31Bytes", 1, header_field(HD_BLOCKSTR_SIZE, 31)},
        Malformed{"NegativeRecordCount", 1, header_field(HD_NUM_BLOCKSTR, -1)},
        Malformed{"NegativeGraphicCount", 1, header_field(HD_NUM_GFX, -1)},
        Malformed{"AbsurdLayerSize", 1,
                  [](Chunks &c) {
                      put_be16(chunk_of(c, "MPHD").data, HD_WIDTH, 5000);
                      put_be16(chunk_of(c, "MPHD").data, HD_HEIGHT, 4000);
                  }},
        // References between chunks.
        Malformed{"BackgroundBeyondGraphics", 1, long_field("BKDT", 0, 4)},
        Malformed{"NegativeBackground", 1, long_field("BKDT", 0, -1)},
        Malformed{"ForegroundBeyondGraphics", 1, long_field("BKDT", 36 + 12, 4)},
        Malformed{"TypeZeroGraphicOffsetBeyondGraphics", 0, long_field("BKDT", 4, 4 * 6)},
        Malformed{"RecordsWithoutGraphics", 1,
                  [](Chunks &c) {
                      drop_chunk(c, "BGFX");
                      put_be16(chunk_of(c, "MPHD").data, HD_NUM_GFX, 0);
                  }},
        Malformed{"GraphicCountWithoutGraphics", 1, drop("BGFX")},
        Malformed{"RecordCountWithoutRecords", 1, drop("BKDT")},
        Malformed{"AnimatedCellsWithoutAnimations", 1, drop("ANDT")},
        Malformed{"CellBeyondRecords", 1, long_field("BODY", 0, 5 << 16)},
        Malformed{"CellBelowAnimations", 1, long_field("BODY", 0, -3 * 65536)},
        Malformed{"TypeZeroCellBelowAnimations", 0, long_field("BODY", 0, -48 * 65536)},
        Malformed{"CellInAnotherLayer", 1, long_field("LYR7", 36, 9)},
        // Unsupported formats.
        Malformed{"MajorVersionTwo", 1, [](Chunks &c) { chunk_of(c, "MPHD").data[0] = 2; },
                  MER_MAPTOONEW},
        Malformed{"MapTypeFour", 1, [](Chunks &c) { chunk_of(c, "MPHD").data[3] = 4; },
                  MER_MAPTOONEW},
        Malformed{"DepthTwelve", 1, header_field(HD_DEPTH, 12), MER_MAPTOONEW}),
    [](const ::testing::TestParamInfo<Malformed> &info) { return info.param.name; });

// ---- the outer structure ----

using OuterForm = HeadlessTest;

TEST_F(OuterForm, LastChunkCutShortFails)
{
    Bytes image = encode(sample_map(2));
    image.resize(image.size() - 3);
    put_be32(image, 4, static_cast<std::uint32_t>(image.size() - 8));
    EXPECT_EQ(MapDecode(image.data()), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_TRUE(nothing_loaded());
}

TEST_F(OuterForm, StrayBytesAfterTheLastChunkFail)
{
    Bytes image = encode(sample_map(2));
    image.insert(image.end(), {1, 2, 3, 4, 5});
    put_be32(image, 4, static_cast<std::uint32_t>(image.size() - 8));
    EXPECT_EQ(MapDecode(image.data()), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
}

// A file shorter than its form length fails at the first chunk it cannot read whole.
TEST_F(OuterForm, FileShorterThanItsFormFails)
{
    Bytes image = encode(sample_map(2));
    image.resize(image.size() - 3);
    testfiles::ScratchFile file("short.fmp");
    ASSERT_TRUE(file.write(image));
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    EXPECT_EQ(MapLoad(file.path()), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_TRUE(nothing_loaded());
}

// A chunk length beyond the form fails before its buffer is allocated.
TEST_F(OuterForm, ChunkLongerThanTheFormFails)
{
    Bytes image = encode(sample_map(1));
    put_be32(image, 16, 0x7FFFFFF0u);
    testfiles::ScratchFile file("long.fmp");
    ASSERT_TRUE(file.write(image));
    EXPECT_EQ(MapLoad(file.path()), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_EQ(MapDecode(image.data()), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
}

struct BadStart {
    const char *name;
    Bytes bytes;
};

class NotAMapFile : public HeadlessTest, public ::testing::WithParamInterface<BadStart> {};

// The file path keeps the previous map when the file is not a map at all; the memory path has
// released it before looking.
TEST_P(NotAMapFile, FileKeepsThePreviousMapImageDoesNot)
{
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    BlockStr *records = mapblockstrpt;
    testfiles::ScratchFile file("notamap.fmp");
    ASSERT_TRUE(file.write(GetParam().bytes));
    EXPECT_EQ(MapLoad(file.path()), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_EQ(mapblockstrpt, records);
    EXPECT_EQ(mapmappt[0][4], 1);
    EXPECT_EQ(tile_count(), SAMPLE_GFX);
    if (GetParam().bytes.size() >= 12) {
        EXPECT_EQ(MapDecode(GetParam().bytes.data()), -1);
        EXPECT_EQ(maperror, MER_MAPLOADERROR);
        EXPECT_TRUE(nothing_loaded());
    }
}

Bytes form_of_type(const char *type)
{
    Bytes image = MapWrapForm({});
    std::copy(type, type + 4, image.begin() + 8);
    return image;
}

INSTANTIATE_TEST_SUITE_P(
    Starts, NotAMapFile,
    ::testing::Values(BadStart{"OtherFormType", form_of_type("ILBM")},
                      BadStart{"NotAForm", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 4, 'F', 'M', 'A', 'P'}},
                      BadStart{"FormLengthBelowFour", Bytes{'F', 'O', 'R', 'M', 0, 0, 0, 3, 'F', 'M', 'A', 'P'}},
                      BadStart{"CutInTheHeader", Bytes{'F', 'O', 'R', 'M', 0, 0}},
                      BadStart{"Empty", Bytes{}}),
    [](const ::testing::TestParamInfo<BadStart> &info) { return info.param.name; });

// ---- codes that do not come from the file's bytes ----

using LoadFailures = HeadlessTest;

TEST_F(LoadFailures, MissingFileKeepsThePreviousMap)
{
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    BlockStr *records = mapblockstrpt;
    EXPECT_EQ(MapLoad("/nonexistent/dir/jump.fmp"), -1);
    EXPECT_EQ(maperror, MER_NOOPEN);
    EXPECT_EQ(mapblockstrpt, records);
    EXPECT_EQ(mapblockstrpt[0].attr2, 123456);
    EXPECT_EQ(MapLoadVRAM(nullptr), -1);
    EXPECT_EQ(maperror, MER_NOOPEN);
    EXPECT_EQ(MapLoad(::testing::TempDir().c_str()), -1) << "a folder";
    EXPECT_EQ(maperror, MER_NOOPEN);
    EXPECT_EQ(tile_count(), SAMPLE_GFX);
}

TEST_F(LoadFailures, NoScreenFailsWithNothingLoaded)
{
    const Bytes image = encode(sample_map());
    testfiles::ScratchFile file("noscreen.fmp");
    ASSERT_TRUE(file.write(image));
    headless::drop_screen();
    EXPECT_EQ(MapDecode(image.data()), -1);
    EXPECT_EQ(maperror, MER_NOSCREEN);
    EXPECT_TRUE(nothing_loaded());
    EXPECT_EQ(MapLoad(file.path()), -1);
    EXPECT_EQ(maperror, MER_NOSCREEN);
    EXPECT_TRUE(nothing_loaded());
}

// The alternative graphics look at the screen: without one they are skipped, and the load
// still ends with "no screen".
TEST_F(LoadFailures, NoScreenWithAlternativeGraphics)
{
    MapFile m = sample_map();
    m.agfx = m.gfx;
    const Bytes image = encode(m);
    headless::drop_screen();
    EXPECT_EQ(MapDecode(image.data()), -1);
    EXPECT_EQ(maperror, MER_NOSCREEN);
}

TEST_F(LoadFailures, ScreenOfAnUnknownDepthFails)
{
    GFX_VTABLE odd = *screen->vtable;
    odd.color_depth = 12;
    GFX_VTABLE *own = screen->vtable;
    screen->vtable = &odd;
    EXPECT_EQ(MapDecode(encode(sample_map()).data()), -1);
    EXPECT_EQ(maperror, MER_NOSCREEN);
    EXPECT_TRUE(nothing_loaded());
    screen->vtable = own;
}

// A header that fails the version or type check leaves the earlier header numbers.
TEST_F(LoadFailures, UnsupportedHeaderKeepsTheOldHeaderNumbers)
{
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    auto chunks = split(encode(sample_map()));
    put_be16(chunk_of(chunks, "MPHD").data, HD_WIDTH, 9);
    chunk_of(chunks, "MPHD").data[0] = 2;
    EXPECT_EQ(MapDecode(join(chunks).data()), -1);
    EXPECT_EQ(maperror, MER_MAPTOONEW);
    EXPECT_EQ(mapwidth, SAMPLE_W);
    EXPECT_TRUE(nothing_loaded());
}

TEST(LoadFailuresOnDeepScreens, AlternativeGraphicsAloneAreNotEnough)
{
    headless::make_screen(16);
    MapFile m = sample_map();
    m.agfx = m.gfx;
    m.gfx.clear();
    EXPECT_EQ(MapDecode(encode(m).data()), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_TRUE(nothing_loaded());
    headless::make_screen(8);
    EXPECT_EQ(MapDecode(encode(m).data()), 0);
    MapFreeMem();
    headless::drop_screen();
}

TEST(LoadFailuresOnDeepScreens, PaletteGraphicsNeedAPalette)
{
    headless::make_screen(32);
    MapFile m = sample_map();
    m.cmap.clear();
    EXPECT_EQ(MapDecode(encode(m).data()), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
    EXPECT_TRUE(nothing_loaded());
    headless::make_screen(8);
    EXPECT_EQ(MapDecode(encode(m).data()), 0);
    MapFreeMem();
    headless::drop_screen();
}

// ---- memory running out ----

// Large blocks come straight from the system, so that they need new address space.
constexpr int MMAP_THRESHOLD = 128 * 1024;

// Address space the process may still add; a child process limited this way shows how a
// load fails when memory runs out. Exit code: maperror, plus 100 if anything stayed loaded.
[[noreturn]] void load_with_headroom(std::size_t headroom, const std::function<int()> &load)
{
    malloc_trim(0);
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0;
    statm >> pages;
    const rlim_t limit = pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + headroom;
    const rlimit cap{limit, limit};
    mallopt(M_MMAP_THRESHOLD, MMAP_THRESHOLD);
    setrlimit(RLIMIT_AS, &cap);
    const int result = load();
    _exit(result == 0 ? 99 : maperror + (nothing_loaded() ? 0 : 100));
}

constexpr std::size_t MIB = 1024 * 1024;

// A type 2 map of 4096 x 4096 cells (the largest layer allowed, 32 MiB) in a few kilobytes.
Bytes huge_layer_map()
{
    MapFile m = sample_map(2);
    m.width = 4096;
    m.height = 4096;
    m.anims.clear();
    m.animseq.clear();
    m.layers = {};
    m.layers[0].assign(static_cast<std::size_t>(4096) * 4096, 1);
    return encode(m);
}

// One palette graphic of 4096 x 2048 pixels: 8 MiB in the file, 32 MiB on a 32-bit screen.
Bytes big_graphic_map()
{
    constexpr int w = 4096, h = 2048;
    MapFile m = sample_map(1);
    m.blockwidth = w;
    m.blockheight = h;
    m.numgfx = 1;
    m.gfx.assign(static_cast<std::size_t>(w) * h, 5);
    for (MapFileBlock &b : m.blocks)
        b = MapFileBlock{};
    return encode(m);
}

// The largest layer loads when the memory is there.
TEST_F(LoadFailures, LargestLayerLoads)
{
    ASSERT_EQ(MapDecode(huge_layer_map().data()), 0) << "maperror " << maperror;
    EXPECT_EQ(mapmappt[0][4096 * 4096 - 1], 1);
}

using LoadFailuresDeathTest = HeadlessTest;

TEST_F(LoadFailuresDeathTest, LayerBeyondMemoryFailsWithOutOfMemory)
{
    const Bytes image = huge_layer_map();
    EXPECT_EXIT(load_with_headroom(8 * MIB, [&] { return MapDecode(image.data()); }),
                ::testing::ExitedWithCode(MER_OUTOFMEM), "");
}

TEST_F(LoadFailuresDeathTest, ConvertedGraphicsBeyondMemoryFailWithOutOfMemory)
{
    headless::make_screen(32);
    const Bytes image = big_graphic_map();
    EXPECT_EXIT(load_with_headroom(16 * MIB, [&] { return MapDecode(image.data()); }),
                ::testing::ExitedWithCode(MER_OUTOFMEM), "");
}

// A chunk the file holds fails for want of memory when that runs out; one whose length promises
// more than the file holds fails as a short read, without taking the memory it promises.
TEST_F(LoadFailuresDeathTest, ChunkBufferBeyondMemoryFailsWithOutOfMemory)
{
    Bytes chunks;
    MapAppendChunk(chunks, "JUNK", Bytes(32 * MIB, 0));
    Bytes image = MapWrapForm(chunks);
    testfiles::ScratchFile file("bigchunk.fmp");
    ASSERT_TRUE(file.write(image));
    EXPECT_EXIT(load_with_headroom(8 * MIB, [&] { return MapLoad(file.path()); }),
                ::testing::ExitedWithCode(MER_OUTOFMEM), "");
    image.resize(12 + 8 + 16);
    put_be32(image, 16, 0xFFFFFFF0u);
    put_be32(image, 4, 0xFFFFFFFFu);
    ASSERT_TRUE(file.write(image));
    EXPECT_EXIT(load_with_headroom(8 * MIB, [&] { return MapLoad(file.path()); }),
                ::testing::ExitedWithCode(MER_MAPLOADERROR), "");
}

// The game library's system driver may supply bitmaps itself: this one supplies `budget_`
// of them and then no more.
class BitmapBudget {
public:
    explicit BitmapBudget(int budget)
    {
        budget_ = budget;
        system_driver->create_bitmap = create;
    }
    ~BitmapBudget() { system_driver->create_bitmap = nullptr; }
    BitmapBudget(const BitmapBudget &) = delete;
    BitmapBudget &operator=(const BitmapBudget &) = delete;

private:
    static BITMAP *create(int depth, int w, int h)
    {
        if (budget_ <= 0)
            return nullptr;
        --budget_;
        system_driver->create_bitmap = nullptr;
        BITMAP *b = create_bitmap_ex(depth, w, h);
        system_driver->create_bitmap = create;
        return b;
    }
    inline static int budget_ = 0;
};

// Block sizes come from the file: a block bitmap beyond the cap is refused before Allegro
// multiplies its size out in an int, as is a parallax picture grown by such a block.
TEST_F(LoadFailures, BitmapsBeyondTheCapAreNotMade)
{
    EXPECT_FALSE(MapBitmapFits(0, 5, 8));
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    BITMAP *source = create_bitmap(8, 8);
    mapblockwidth = mapblockheight = 32767;
    EXPECT_EQ(MapMakeParallaxBitmap(source, 0), nullptr);
    destroy_bitmap(source);
    headless::make_screen(32);
    EXPECT_EQ(MapRelocate2(), -1);
    EXPECT_EQ(maperror, MER_CVBFAILED);
    EXPECT_TRUE(nothing_loaded());
}

// Bitmaps that cannot be created even in memory fail with 6; those made so far are released
// (the sanitizer build reports them if not).
TEST_F(LoadFailures, BitmapsBeyondMemoryFailWithCode6)
{
    const Bytes image = encode(sample_map());
    ASSERT_EQ(system_driver->create_bitmap, nullptr);
    BitmapBudget budget(2);
    EXPECT_EQ(MapDecode(image.data()), -1);
    EXPECT_EQ(maperror, MER_CVBFAILED);
    EXPECT_TRUE(nothing_loaded());
}

TEST_F(LoadFailures, VideoLoadFallsBackToMemoryAndFailsOnlyWhenThatFails)
{
    const Bytes image = encode(sample_map());
    FakeVideo video(1);
    BitmapBudget budget(2);
    EXPECT_EQ(MapDecodeVRAM(image.data()), -1);
    EXPECT_EQ(maperror, MER_CVBFAILED);
    EXPECT_TRUE(nothing_loaded());
    EXPECT_EQ(FakeVideo::destroyed(), 1);
}

} // namespace

TEST(MapErrorTextTest, EveryCodeHasItsOwnMeaning)
{
    EXPECT_STREQ(MapErrorText(MER_NONE), "no error");
    EXPECT_STREQ(MapErrorText(MER_OUTOFMEM), "out of memory");
    EXPECT_STREQ(MapErrorText(MER_MAPLOADERROR), "not a valid map file, or shorter than it says");
    EXPECT_STREQ(MapErrorText(MER_NOOPEN), "the file cannot be opened, or is not a regular file");
    EXPECT_STREQ(MapErrorText(MER_NOSCREEN),
                 "no screen, or a colour depth the block graphics cannot be converted to");
    EXPECT_STREQ(MapErrorText(MER_CVBFAILED), "a block bitmap cannot be created");
    EXPECT_STREQ(MapErrorText(MER_MAPTOONEW), "unsupported map format version or map type");
    EXPECT_STREQ(MapErrorText(5), "unknown error"); // never produced by a load
}
