// Byte layouts of the map file writer that a round trip through the loader cannot show:
// chunk framing, byte order, type 0 offsets, animation record order and layer groups.
#include "loadertest.h"
#include "testfiles.h"

#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

using namespace loadertest;

namespace {

int s16(const Bytes &b, std::size_t at, bool lsb)
{
    const int v = lsb ? b[at] | (b[at + 1] << 8) : (b[at] << 8) | b[at + 1];
    return v >= 0x8000 ? v - 0x10000 : v;
}

std::int32_t s32(const Bytes &b, std::size_t at, bool lsb)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(b[at + (lsb ? i : 3 - i)]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

std::vector<std::string> ids_of(const std::vector<Chunk> &chunks)
{
    std::vector<std::string> ids;
    for (const auto &c : chunks)
        ids.push_back(c.id);
    return ids;
}

// A 4 x 3 map with two graphics, three blocks and one animation.
MapFile small_map(int maptype, bool lsb)
{
    MapFile m;
    m.maptype = maptype;
    m.lsb = lsb;
    m.width = 4;
    m.height = 3;
    m.numgfx = 2;
    m.gfx.assign(2 * 16 * 16, 1);
    m.blocks.resize(3);
    m.blocks[1].gfx_bg = 1;
    m.blocks[2].gfx_fg1 = 1;
    m.animseq = {1, 2};
    MapFileAnim a;
    a.first = 0;
    a.end = 2;
    m.anims = {a};
    m.layers[0] = {0, 1, 2, -1, 1, 1, 1, 1, 2, 0, 0, 0};
    return m;
}

// Cells of one type 2 or 3 layer, failing the test when a group runs past its row's end or
// copies a cell not yet written.
std::vector<short> unpack_layer(const Bytes &data, int maptype, int width, int height, bool lsb)
{
    std::vector<short> cells;
    std::size_t at = 0;
    for (int y = 0; y < height; ++y) {
        const std::size_t row_end = static_cast<std::size_t>(y + 1) * width;
        while (cells.size() < row_end) {
            const int n = s16(data, at, lsb);
            at += 2;
            const std::size_t produced = n > 0 ? n : -n;
            EXPECT_LE(cells.size() + produced, row_end) << "group crosses the end of row " << y;
            if (n > 0) {
                for (int i = 0; i < n; ++i, at += 2)
                    cells.push_back(static_cast<short>(s16(data, at, lsb)));
                continue;
            }
            const int v = s16(data, at, lsb);
            at += 2;
            for (int i = 0; i < -n; ++i) {
                if (maptype == 2) {
                    cells.push_back(static_cast<short>(v));
                    continue;
                }
                const long long source = static_cast<long long>(cells.size()) + v;
                EXPECT_GE(source, 0);
                EXPECT_LT(source, static_cast<long long>(cells.size()));
                if (source < 0 || source >= static_cast<long long>(cells.size()))
                    return cells;
                cells.push_back(cells[source]);
            }
        }
    }
    EXPECT_EQ(at, data.size());
    return cells;
}

} // namespace

TEST(MapWriterFrame, ChunkLengthsAreBigEndianEvenInLittleEndianMaps)
{
    const Bytes image = MapEncode(small_map(1, true));
    const auto chunks = split(image);
    const Chunk *header = find_chunk(chunks, "MPHD");
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(image[header->offset + 4], 0);
    EXPECT_EQ(image[header->offset + 7], 38);
    EXPECT_EQ(header->data[2], 1); // byte-order flag
}

TEST(MapWriterFrame, ChunksComeInLoaderOrderAndEmptyPartsAreLeftOut)
{
    MapFile m = small_map(1, false);
    m.cmap.assign(768, 3);
    m.agfx.assign(2 * 16 * 16, 2);
    m.has_novc = true;
    m.novc = "0-1";
    m.layers[3] = m.layers[0];
    EXPECT_EQ(ids_of(split(MapEncode(m))),
              (std::vector<std::string>{"MPHD", "CMAP", "BKDT", "ANDT", "AGFX", "BGFX", "NOVC",
                                        "BODY", "LYR3"}));
    m.agfx_after_bgfx = true;
    m.cmap.clear();
    m.anims.clear();
    m.animseq.clear();
    m.has_novc = false;
    m.layers[0] = {0, 1, 2, 0, 1, 1, 1, 1, 2, 0, 0, 0};
    m.layers[3] = m.layers[0];
    EXPECT_EQ(ids_of(split(MapEncode(m))),
              (std::vector<std::string>{"MPHD", "BKDT", "BGFX", "AGFX", "BODY", "LYR3"}));
}

TEST(MapWriterFrame, OddLengthChunksAreNotPadded)
{
    MapFile m = small_map(1, false);
    m.has_novc = true;
    m.novc = "12"; // three bytes with the terminating zero
    const Bytes image = MapEncode(m);
    const auto chunks = split(image);
    const Chunk *novc = find_chunk(chunks, "NOVC");
    ASSERT_NE(novc, nullptr);
    EXPECT_EQ(novc->data, (Bytes{'1', '2', 0}));
    const std::size_t next = novc->offset + 8 + 3;
    EXPECT_EQ(std::string(image.begin() + next, image.begin() + next + 4), "BODY");
}

TEST(MapWriterFrame, HandBuiltChunksAreWrappedIntoAForm)
{
    Bytes chunks;
    MapAppendChunk(chunks, "ABCD", Bytes{9});
    MapAppendChunk(chunks, "EFGH", Bytes{});
    EXPECT_EQ(chunks, (Bytes{'A', 'B', 'C', 'D', 0, 0, 0, 1, 9, 'E', 'F', 'G', 'H', 0, 0, 0, 0}));
    const Bytes image = MapWrapForm(chunks);
    EXPECT_EQ(image.size(), 12 + chunks.size());
    EXPECT_EQ(get_be32(image, 4), 4 + chunks.size());
    EXPECT_EQ(ids_of(split(image)), (std::vector<std::string>{"ABCD", "EFGH"}));
    EXPECT_EQ(get_be32(MapWrapForm({}), 4), 4u);
}

class MapWriterHeader : public ::testing::TestWithParam<bool> {};

TEST_P(MapWriterHeader, FieldsFollowTheByteOrderFlag)
{
    const bool lsb = GetParam();
    MapFile m = small_map(2, lsb);
    m.major = 1;
    m.minor = 7;
    m.blockwidth = 20;
    m.blockheight = 10;
    m.depth = 15;
    m.blockstrsize = 40;
    m.gapx = 18;
    m.gapy = 9;
    m.staggerx = -3;
    m.staggery = 4;
    m.clickmask = 1;
    m.gfx.assign(2 * 20 * 10 * 2, 0);
    const auto chunks = split(MapEncode(m));
    const Chunk *h = find_chunk(chunks, "MPHD");
    ASSERT_NE(h, nullptr);
    const Bytes &d = h->data;
    ASSERT_EQ(d.size(), 38u);
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(d[1], 7);
    EXPECT_EQ(d[2], lsb ? 1 : 0);
    EXPECT_EQ(d[3], 2);
    const std::vector<std::pair<int, int>> fields = {
        {4, 4}, {6, 3}, {12, 20}, {14, 10}, {16, 15}, {18, 40}, {20, 3}, {22, 2},
        {28, 18}, {30, 9}, {32, -3}, {34, 4}, {36, 1}};
    for (const auto &[offset, value] : fields)
        EXPECT_EQ(s16(d, offset, lsb), value) << "offset " << offset;
    EXPECT_EQ(d[lsb ? 4 : 5], 4); // the low byte's position shows the order
}

INSTANTIATE_TEST_SUITE_P(BothByteOrders, MapWriterHeader, ::testing::Bool());

TEST(MapWriterHeaderSize, ShortHeadersStopAtTheLastFieldThatFits)
{
    MapFile m = small_map(1, false);
    m.clickmask = 5;
    for (int size : {24, 28, 36, 38, 44}) {
        m.headersize = size;
        const auto chunks = split(MapEncode(m));
        const Chunk *h = find_chunk(chunks, "MPHD");
        ASSERT_NE(h, nullptr);
        ASSERT_EQ(h->data.size(), static_cast<std::size_t>(size));
        if (size >= 36) {
            EXPECT_EQ(s16(h->data, 28, false), 16);
        }
        if (size >= 38) {
            EXPECT_EQ(s16(h->data, 36, false), 5);
        }
        if (size > 38) {
            EXPECT_EQ(h->data.back(), 0);
        }
    }
}

TEST(MapWriterBlocks, RecordsLongerThanTheFieldsArePaddedWithZeros)
{
    MapFile m = small_map(1, true);
    m.blockstrsize = 36;
    m.numgfx = 5;
    m.gfx.assign(5 * 16 * 16, 1);
    m.blocks[0] = {1, 2, 3, 4, -5, 6, 0xBEEF, 8, 9, 10, 11, 0x93};
    const auto chunks = split(MapEncode(m));
    const Chunk *b = find_chunk(chunks, "BKDT");
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->data.size(), 3u * 36);
    EXPECT_EQ(s32(b->data, 12, true), 4);
    EXPECT_EQ(s32(b->data, 16, true), -5);
    EXPECT_EQ(s16(b->data, 24, true) & 0xFFFF, 0xBEEF);
    EXPECT_EQ(b->data[28], 9);
    EXPECT_EQ(b->data[31], 0x93);
    for (int i = 32; i < 36; ++i)
        EXPECT_EQ(b->data[i], 0) << i;
    EXPECT_EQ(s32(b->data, 36, true), 1); // record 1 begins after the padding
}

TEST(MapWriterAnimations, EndMarkerFollowsTheSequenceAndAnimationOneIsLast)
{
    MapFile m = small_map(1, false);
    MapFileAnim second;
    second.type = anim_pingpong_forward;
    second.delay = 3;
    second.user = 0x55;
    second.first = 1;
    second.end = 2;
    m.anims.push_back(second);
    const auto chunks = split(MapEncode(m));
    const Chunk *a = find_chunk(chunks, "ANDT");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->data.size(), 2u * 4 + 3 * 16);
    EXPECT_EQ(s32(a->data, 0, false), 1);
    EXPECT_EQ(s32(a->data, 4, false), 2);
    EXPECT_EQ(a->data[8], 0xFF);
    const std::size_t second_at = 8 + 16, first_at = 8 + 32;
    EXPECT_EQ(a->data[second_at], anim_pingpong_forward);
    EXPECT_EQ(a->data[second_at + 1], 3);
    EXPECT_EQ(a->data[second_at + 3], 0x55);
    EXPECT_EQ(s32(a->data, second_at + 8, false), 1);
    EXPECT_EQ(a->data[first_at], anim_loop_forward);
    EXPECT_EQ(s32(a->data, first_at + 12, false), 2);
}

TEST(MapWriterAnimations, AnEndMarkerTypeCannotBeStoredAsAnAnimation)
{
    MapFile m = small_map(1, false);
    m.anims[0].type = anim_end;
    EXPECT_TRUE(MapEncode(m).empty());
}

TEST(MapWriterTypeZero, NumbersBecomeByteOffsets)
{
    MapFile m = small_map(0, true);
    m.depth = 24;
    m.blockstrsize = 40;
    m.gfx.assign(2 * 16 * 16 * 3, 0);
    const auto chunks = split(MapEncode(m));
    const Chunk *b = find_chunk(chunks, "BKDT");
    const Chunk *a = find_chunk(chunks, "ANDT");
    const Chunk *body = find_chunk(chunks, "BODY");
    ASSERT_TRUE(b && a && body);
    EXPECT_EQ(s32(b->data, 40, true), 16 * 16 * 3); // block 1 background: graphic 1
    EXPECT_EQ(s32(b->data, 80 + 4, true), 16 * 16 * 3);
    EXPECT_EQ(s32(b->data, 80, true), 0);
    EXPECT_EQ(s32(a->data, 0, true), 40);  // sequence entry: block 1
    EXPECT_EQ(s32(a->data, 4, true), 80);
    const int n = static_cast<int>(a->data.size()); // 2 entries + marker + 1 record = 40
    ASSERT_EQ(n, 40);
    EXPECT_EQ(s32(a->data, 24 + 4, true), 0 - n);  // current frame 0
    EXPECT_EQ(s32(a->data, 24 + 8, true), 0 - n);  // first frame 0
    EXPECT_EQ(s32(a->data, 24 + 12, true), 8 - n); // end frame 2
    const std::vector<int> expected = {0, 40, 80, -16, 40, 40, 40, 40, 80, 0, 0, 0};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(s16(body->data, 2 * i, true), expected[i]) << "cell " << i;
}

TEST(MapWriterTypeZero, AnimationCellsStepBackSixteenBytesEach)
{
    MapFile m = small_map(0, false);
    m.anims.resize(3, m.anims[0]);
    m.layers[0] = {-3, -2, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const auto chunks = split(MapEncode(m));
    const Chunk *body = find_chunk(chunks, "BODY");
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(s16(body->data, 0, false), -48);
    EXPECT_EQ(s16(body->data, 2, false), -32);
    EXPECT_EQ(s16(body->data, 4, false), -16);
}

TEST(MapWriterTypeZero, ValuesBeyondTheirFieldsAreRefused)
{
    MapFile m = small_map(0, false);
    m.blocks.resize(1100);
    m.layers[0][0] = 1024; // 1024 x 32 bytes does not fit a signed 16-bit cell
    EXPECT_TRUE(MapEncode(m).empty());
    m.layers[0][0] = 1023;
    EXPECT_FALSE(MapEncode(m).empty());
    m.anims.resize(2048, m.anims[0]);
    m.layers[0][0] = -2048;
    EXPECT_FALSE(MapEncode(m).empty());
    m.anims.resize(2049, m.anims[0]);
    m.layers[0][0] = -2049;
    EXPECT_TRUE(MapEncode(m).empty());
}

TEST(MapWriterLayers, TypeOneCellsAreStoredAsTheyAre)
{
    const auto chunks = split(MapEncode(small_map(1, true)));
    const Chunk *body = find_chunk(chunks, "BODY");
    ASSERT_NE(body, nullptr);
    ASSERT_EQ(body->data.size(), 24u);
    EXPECT_EQ(body->data[6], 0xFF);
    EXPECT_EQ(body->data[7], 0xFF);
    EXPECT_EQ(s16(body->data, 2, true), 1);
}

TEST(MapWriterLayers, TypeTwoRepeatsRunsAndKeepsOtherCellsLiteral)
{
    MapFile m = small_map(2, false);
    m.blocks.resize(8);
    m.layers[0] = {7, 7, 7, 7, 1, 2, 3, 3, 5, 5, 5, 6};
    const auto chunks = split(MapEncode(m));
    const Chunk *body = find_chunk(chunks, "BODY");
    ASSERT_NE(body, nullptr);
    const std::vector<int> words = {-4, 7, 4, 1, 2, 3, 3, -3, 5, 1, 6};
    ASSERT_EQ(body->data.size(), words.size() * 2);
    for (std::size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(s16(body->data, 2 * i, false), words[i]) << "word " << i;
}

TEST(MapWriterLayers, TypeThreeCopiesTheRowAboveAndThePreviousCell)
{
    MapFile m = small_map(3, true);
    m.blocks.resize(5);
    m.layers[0] = {1, 2, 0, 1, 1, 2, 0, 1, 4, 4, 4, 4};
    const auto chunks = split(MapEncode(m));
    const Chunk *body = find_chunk(chunks, "BODY");
    ASSERT_NE(body, nullptr);
    const std::vector<int> words = {4, 1, 2, 0, 1, -4, -4, 1, 4, -3, -1};
    ASSERT_EQ(body->data.size(), words.size() * 2);
    for (std::size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(s16(body->data, 2 * i, true), words[i]) << "word " << i;
}

class MapWriterPacked : public ::testing::TestWithParam<int> {};

// Long runs and repeated rows tempt a packer to let a group run on into the next row.
TEST_P(MapWriterPacked, GroupsNeverCrossARowEnd)
{
    MapFile m;
    m.maptype = GetParam();
    m.width = 37;
    m.height = 40;
    m.numgfx = 1;
    m.gfx.assign(16 * 16, 1);
    m.blocks.resize(5);
    std::vector<short> cells(m.width * m.height);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::size_t y = i / m.width;
        cells[i] = y < 10 ? 3 : y < 20 ? static_cast<short>((i * 7) % 5)
                                       : static_cast<short>((i % m.width) / 9);
    }
    m.layers[0] = cells;
    m.layers[6] = std::vector<short>(cells.size(), -1);
    m.anims.resize(1);
    m.animseq = {0};
    m.anims[0].end = 1;
    const auto chunks = split(MapEncode(m));
    const Chunk *body = find_chunk(chunks, "BODY");
    const Chunk *lyr6 = find_chunk(chunks, "LYR6");
    ASSERT_TRUE(body && lyr6);
    EXPECT_EQ(unpack_layer(body->data, m.maptype, m.width, m.height, false), cells);
    EXPECT_EQ(unpack_layer(lyr6->data, m.maptype, m.width, m.height, false), m.layers[6]);
    EXPECT_LT(lyr6->data.size(), cells.size()); // a uniform layer packs well below 2 bytes a cell
}

TEST_P(MapWriterPacked, WideRowsSplitIntoGroupsThatFitTheCount)
{
    MapFile m;
    m.maptype = GetParam();
    m.width = 32767;
    m.height = 2;
    m.numgfx = 1;
    m.gfx.assign(16 * 16, 1);
    m.blocks.resize(2);
    std::vector<short> cells(2 * 32767, 1);
    for (std::size_t i = 0; i < cells.size(); i += 2)
        cells[i] = 0; // alternate, so only literal groups (or copies from above) apply
    m.layers[0] = cells;
    const auto chunks = split(MapEncode(m));
    const Chunk *body = find_chunk(chunks, "BODY");
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(unpack_layer(body->data, m.maptype, m.width, m.height, false), cells);
}

INSTANTIATE_TEST_SUITE_P(RunLengthTypes, MapWriterPacked, ::testing::Values(2, 3));

// The writer refuses what the loader would refuse, and says why.
TEST(MapWriterRefusal, MapsTheLoaderWouldRefuseGiveNoImageAndAReason)
{
    struct Case {
        std::function<void(MapFile &)> mutate;
        std::string reason;
    };
    const Case cases[] = {
        {[](MapFile &m) { m.layers[2] = {1, 2, 3}; }, "layer 2 holds 3 cells, not 4 x 3"},
        {[](MapFile &m) { m.maptype = 4; }, "map type 4: types 0 to 3 are read"},
        {[](MapFile &m) {
             m.width = 40000;
             m.layers[0].clear();
         },
         "the header's width 40000 does not fit 16 bits"},
        {[](MapFile &m) { m.blockstrsize = 31; }, "block records of 31 bytes: at least 32"},
        {[](MapFile &m) { m.headersize = 23; }, "a header chunk of 23 bytes"},
        {[](MapFile &m) { m.headersize = 30; }, "a header chunk of 30 bytes"},
        {[](MapFile &m) { m.cmap.assign(767, 0); }, "a palette of 767 bytes: at least 768"},
        {[](MapFile &m) { m.gfx.pop_back(); }, "the graphics: 511 bytes, where 2 graphics"},
        {[](MapFile &m) { m.gfx.clear(); }, "2 graphics, but no graphics data"},
        {[](MapFile &m) { m.blocks[2].gfx_fg2 = 2; },
         "block record 2: foreground graphic 2 does not exist (2 graphics)"},
        {[](MapFile &m) { m.animseq[1] = 3; }, "frame sequence entry 1 names block record 3 of 3"},
        {[](MapFile &m) { m.anims[0].end = 3; }, "animation 1: frames 0 to 3 (exclusive)"},
        {[](MapFile &m) { m.layers[0][5] = -2; }, "layer 0, cell (1, 1): value -2 names none"},
        {[](MapFile &m) {
             m.width = 32767;
             m.height = 513;
             m.layers[0].assign(std::size_t{32767} * 513, 0);
         },
         "a map of 32767 x 513 blocks has 16809471 cells in a layer: at most 16777216"},
        {[](MapFile &m) { m.extra_chunks = {{"LYR3", {}}}; },
         "extra chunk 0: the identifier \"LYR3\" is one the loader reads itself"},
        {[](MapFile &m) { m.extra_chunks = {{"ABC", {}}}; },
         "extra chunk 0: the identifier \"ABC\" is not 4 printable ASCII characters"},
        {[](MapFile &m) { m.extra_chunks = {{"OK!!", {}}, {std::string("A\0BC", 4), {}}}; },
         "extra chunk 1: the identifier \"A\\x00BC\" is not 4"},
        {[](MapFile &m) { m.extra_chunks = {{"MINE", {1}}, {"MINE", {2}}}; },
         "extra chunk 1: the identifier \"MINE\" comes twice: a load gives only the first"},
    };
    for (const Case &c : cases) {
        MapFile m = small_map(1, false);
        c.mutate(m);
        std::string problem;
        EXPECT_TRUE(MapEncode(m, &problem).empty()) << c.reason;
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
    }
}

TEST(MapWriterSave, WritesTheEncodedImageOrReportsFailure)
{
    const MapFile m = small_map(3, true);
    const testfiles::ScratchFile saved("saved.fmp");
    ASSERT_EQ(MapSave(saved.path(), m), 0);
    EXPECT_EQ(testfiles::read_file<Bytes>(saved.path()), MapEncode(m));
    std::string problem;
    EXPECT_EQ(MapSave("/nonexistent-folder/x.fmp", m, &problem), -1);
    EXPECT_EQ(problem, "No such file or directory");
    MapFile bad = m;
    bad.layers[0].pop_back();
    const testfiles::ScratchFile refused("refused.fmp");
    EXPECT_EQ(MapSave(refused.path(), bad, &problem), -1);
    EXPECT_NE(problem.find("layer 0 holds 11 cells"), std::string::npos) << problem;
    EXPECT_FALSE(std::filesystem::exists(refused.path())) << "nothing is written";
}

// Saves over the map in `path` with files limited to 16 bytes, as on a full disk; exits 0 when
// the save fails for that reason and the folder holds just the old map.
[[noreturn]] void save_into_a_file_too_small(const MapFile &map, const std::string &path,
                                             const Bytes &old)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{16, 16};
    setrlimit(RLIMIT_FSIZE, &small);
    std::string problem;
    const bool refused = MapSave(path.c_str(), map, &problem) == -1;
    const auto folder = std::filesystem::path(path).parent_path();
    const bool alone = std::distance(std::filesystem::directory_iterator(folder),
                                     std::filesystem::directory_iterator()) == 1;
    const bool kept = testfiles::read_file<Bytes>(path) == old;
    std::_Exit(refused && problem == "File too large" && alone && kept ? 0 : 1);
}

// The map there stays until a whole new one can take its place; the part written goes.
TEST(MapWriterSaveDeathTest, KeepsTheOldFileWhenTheNewOneCannotBeWrittenWhole)
{
    const testfiles::CurrentFolder here;
    const Bytes old = MapEncode(small_map(2, true));
    ASSERT_TRUE(testfiles::write_file("map.fmp", old));
    const std::string path = (here.path() / "map.fmp").string();
    EXPECT_EXIT(save_into_a_file_too_small(small_map(1, false), path, old),
                ::testing::ExitedWithCode(0), "");
}
