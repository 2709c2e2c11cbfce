// The decoding rules that the writer's output does not exercise on its own: hand-made layer
// groups of every map type, byte order flags, chunk order, unknown chunks, NOVC lengths,
// row tables and releasing.
#include "loadertest.h"

using namespace loadertest;

namespace {

using Cells = std::vector<short>;

// Decodes the sample map of `maptype` with its BODY data replaced by `body`.
int decode_with_body(int maptype, const Bytes &body)
{
    auto chunks = split(encode(sample_map(maptype)));
    chunk_of(chunks, "BODY").data = body;
    return MapDecode(join(chunks).data());
}

Cells layer0()
{
    return Cells(mapmappt[0], mapmappt[0] + SAMPLE_W * SAMPLE_H);
}

struct LayerCase {
    const char *name;
    int maptype;
    Bytes body;
    Cells cells;
};

class LayerGroups : public HeadlessTest, public ::testing::WithParamInterface<LayerCase> {};

TEST_P(LayerGroups, DecodeToTheExpectedCells)
{
    const LayerCase &c = GetParam();
    ASSERT_EQ(decode_with_body(c.maptype, c.body), 0) << "maperror " << maperror;
    EXPECT_EQ(layer0(), c.cells);
}

Bytes cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    HandMade, LayerGroups,
    ::testing::Values(
        // Type 2: a repeat, a zero count (nothing), literals; rows end exactly at the width.
        LayerCase{"Runs", 2,
                  be16s({-3, 2, 0, 2, 1, 4, /**/ 5, 0, 1, 2, 3, 4, /**/ -5, 3,
                         /**/ 1, -1, 0, 0, -4, -2}),
                  {2, 2, 2, 1, 4, 0, 1, 2, 3, 4, 3, 3, 3, 3, 3, -1, -2, -2, -2, -2}},
        // Type 3: a copy of the row above, a copy overlapping its own output, a copy whose
        // source spans two earlier rows.
        LayerCase{"Copies", 3,
                  be16s({5, 0, 1, 2, 3, 4, /**/ -5, -5, /**/ 2, 4, 2, -3, -2,
                         /**/ -2, -11, 3, -1, -2, -1}),
                  {0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 4, 2, 4, 2, 4, 4, 0, -1, -2, -1}},
        LayerCase{"CopyRepeatsOneCell", 3,
                  be16s({1, 4, -4, -1, /**/ -5, -5, /**/ -5, -5, /**/ -5, -5}),
                  Cells(20, 4)},
        LayerCase{"RepeatsFillWholeRows", 2, be16s({-5, 1, -5, 1, -5, 1, -5, 1}), Cells(20, 1)},
        // Type 0: block offsets divided by the record size (36), animation offsets by 16,
        // truncating toward zero: -1 is block 0, -16 animation 1, -31 animation 1.
        LayerCase{"TypeZeroOffsets", 0,
                  be16s({0, 36, 40, 71, 144, -1, -16, -31, -32, 72, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                         108}),
                  {0, 1, 1, 1, 4, 0, -1, -1, -2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3}},
        LayerCase{"TypeOneTakesValues", 1,
                  be16s({-2, -1, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4}),
                  {-2, -1, 0, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4}},
        // Bytes after a complete layer are not read.
        LayerCase{"TrailingBytesIgnored", 2,
                  cat({be16s({-5, 1, -5, 1, -5, 1, -5, 1}), Bytes{0xFF, 0xFF, 0x12}}),
                  Cells(20, 1)}),
    [](const ::testing::TestParamInfo<LayerCase> &info) { return info.param.name; });

using Decoding = HeadlessTest;

// Any byte-order flag other than 1 means big-endian.
TEST_F(Decoding, ByteOrderFlagTwoMeansBigEndian)
{
    auto chunks = split(encode(sample_map(1, false)));
    ASSERT_EQ(MapDecode(join(chunks).data()), 0);
    const Cells expected = layer0();
    chunk_of(chunks, "MPHD").data[2] = 2;
    ASSERT_EQ(MapDecode(join(chunks).data()), 0);
    EXPECT_EQ(mapislsb, 0);
    EXPECT_EQ(layer0(), expected);
    EXPECT_EQ(mapblockstrpt[0].attr2, 123456);
}

TEST_F(Decoding, LongerHeadersReadEveryField)
{
    MapFile m = sample_map(1, true, 44);
    ASSERT_EQ(MapDecode(encode(m).data()), 0) << "maperror " << maperror;
    EXPECT_EQ(mapclickmask, 3);
    EXPECT_EQ(mapblockstaggery, 2);
}

// Unknown chunks of any length, odd or zero, are skipped, and so are repeats of them.
TEST_F(Decoding, UnknownChunksAreSkippedWithoutPadding)
{
    auto chunks = split(encode(sample_map(2)));
    chunks.insert(chunks.begin() + 1, Chunk{"ABCD", Bytes{1, 2, 3}});
    chunks.insert(chunks.begin() + 3, Chunk{"ABCD", Bytes{}});
    chunks.insert(chunks.begin() + 5, Chunk{"mphd", Bytes(7, 0xFF)});
    chunks.push_back(Chunk{"LYR8", Bytes(5, 0)});
    ASSERT_EQ(MapDecode(join(chunks).data()), 0) << "maperror " << maperror;
    EXPECT_EQ(layer0(), sample_map(2).layers[0]);
}

// Only the header must come first: the other chunks may come in any order, the palette even
// before the header.
TEST_F(Decoding, ChunksAfterTheHeaderComeInAnyOrder)
{
    auto chunks = split(encode(sample_map(3, true)));
    std::vector<Chunk> reordered{chunk_of(chunks, "CMAP"), chunk_of(chunks, "MPHD")};
    for (auto it = chunks.rbegin(); it != chunks.rend(); ++it)
        if (it->id != "MPHD" && it->id != "CMAP")
            reordered.push_back(*it);
    ASSERT_EQ(MapDecode(join(reordered).data()), 0) << "maperror " << maperror;
    EXPECT_EQ(layer0(), sample_map(3).layers[0]);
    EXPECT_EQ(mapanimstrendpt - mapanimstrpt, 3);
}

// An ANDT chunk that ends with its end marker has no animations: the rest is sequence.
TEST_F(Decoding, EndMarkerLastMeansNoAnimations)
{
    MapFile m = sample_map();
    m.anims.clear();
    for (auto &layer : m.layers)
        for (short &cell : layer)
            cell = cell < 0 ? 0 : cell;
    ASSERT_EQ(MapDecode(encode(m).data()), 0) << "maperror " << maperror;
    EXPECT_EQ(mapanimstrendpt - mapanimstrpt, 1);
    EXPECT_EQ(mapanimseqpt[5], 2);
}

TEST_F(Decoding, NovcTextOfSixtyNineBytesWithoutItsZeroIsTaken)
{
    auto chunks = split(encode(sample_map()));
    chunk_of(chunks, "NOVC").data = Bytes(69, '7');
    ASSERT_EQ(MapDecode(join(chunks).data()), 0);
    EXPECT_EQ(std::string(mapnovctext), std::string(69, '7'));
}

TEST_F(Decoding, NovcChunkOfSeventyBytesLeavesTheListEmpty)
{
    auto chunks = split(encode(sample_map()));
    Bytes text(70, 0);
    text[0] = '1';
    chunk_of(chunks, "NOVC").data = text;
    ASSERT_EQ(MapDecode(join(chunks).data()), 0);
    EXPECT_EQ(mapnovctext[0], 0);
}

TEST_F(Decoding, LayersWithoutBodyLeaveNoCurrentLayer)
{
    auto chunks = split(encode(sample_map()));
    drop_chunk(chunks, "BODY");
    ASSERT_EQ(MapDecode(join(chunks).data()), 0);
    EXPECT_EQ(mappt, nullptr);
    EXPECT_EQ(mapmappt[0], nullptr);
    ASSERT_NE(mapmappt[3], nullptr);
    EXPECT_EQ(mapmappt[3][0], 4);
}

// A form holding nothing but its type loads as an empty map, whatever map came before.
TEST_F(Decoding, EmptyFormLoadsAnEmptyMap)
{
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    const Bytes empty = MapWrapForm({});
    ASSERT_EQ(MapDecode(empty.data()), 0) << "maperror " << maperror;
    EXPECT_EQ(mapnumblockgfx, 0);
    EXPECT_EQ(mapnumblockstr, 0);
    EXPECT_EQ(tile_count(), 0);
    ASSERT_NE(abmTiles, nullptr);
    EXPECT_EQ(mappt, nullptr);
}

TEST_F(Decoding, SuccessClearsAnEarlierError)
{
    EXPECT_EQ(MapLoad("/nonexistent/map.fmp"), -1);
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    EXPECT_EQ(maperror, MER_NONE);
}

// ---- row tables and releasing ----

using RowTables = HeadlessTest;

TEST_F(RowTables, EveryLayerGetsRowsAndTheCurrentOneIsSelected)
{
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    EXPECT_EQ(maparraypt, nullptr);
    ASSERT_EQ(MapGenerateYLookup(), 0);
    for (int l = 0; l < MAP_LAYERS; ++l) {
        if (!mapmappt[l]) {
            EXPECT_EQ(mapmaparraypt[l], nullptr);
            continue;
        }
        ASSERT_NE(mapmaparraypt[l], nullptr);
        for (int y = 0; y < SAMPLE_H; ++y)
            EXPECT_EQ(mapmaparraypt[l][y], mapmappt[l] + y * SAMPLE_W);
    }
    EXPECT_EQ(maparraypt, mapmaparraypt[0]);
}

TEST_F(RowTables, RebuildingFollowsTheCurrentLayer)
{
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    ASSERT_EQ(MapGenerateYLookup(), 0);
    mappt = mapmappt[7];
    ASSERT_EQ(MapGenerateYLookup(), 0);
    EXPECT_EQ(maparraypt, mapmaparraypt[7]);
    EXPECT_EQ(maparraypt[2], mapmappt[7] + 2 * SAMPLE_W);
}

TEST_F(RowTables, FreeMemTwiceKeepsTheHeaderNumbers)
{
    ASSERT_EQ(MapDecode(encode(sample_map()).data()), 0);
    ASSERT_EQ(MapGenerateYLookup(), 0);
    MapFreeMem();
    MapFreeMem();
    EXPECT_TRUE(nothing_loaded());
    EXPECT_EQ(mapanimstrendpt, nullptr);
    EXPECT_EQ(mapwidth, SAMPLE_W);
    EXPECT_EQ(mapnumblockgfx, SAMPLE_GFX);
}

TEST_F(RowTables, NoLayersNoTables)
{
    MapFreeMem();
    EXPECT_EQ(MapGenerateYLookup(), 0);
    EXPECT_EQ(maparraypt, nullptr);
    EXPECT_TRUE(nothing_loaded());
}

// ---- decoders on their own ----

TEST_F(Decoding, RedecodingALayerDropsItsStaleRowTable)
{
    MapFile m = sample_map(1);
    ASSERT_EQ(MapDecode(encode(m).data()), 0);
    ASSERT_EQ(MapGenerateYLookup(), 0);
    Bytes chunk;
    MapAppendChunk(chunk, "BODY", be16s({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}));
    ASSERT_EQ(MapDecodeLayer(chunk.data(), 0), 0);
    EXPECT_EQ(mappt, mapmappt[0]);
    EXPECT_EQ(mapmaparraypt[0], nullptr);
    EXPECT_EQ(maparraypt, nullptr);
    EXPECT_EQ(mappt[19], 2);
}

TEST_F(Decoding, LayerNumbersOutsideTheEightFail)
{
    ASSERT_EQ(MapDecode(encode(sample_map(1)).data()), 0);
    Bytes chunk;
    MapAppendChunk(chunk, "LYR8", Bytes(40, 0));
    EXPECT_EQ(MapDecodeLayer(chunk.data(), 8), -1);
    EXPECT_EQ(MapDecodeLayer(chunk.data(), -1), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR);
}

TEST(Readers, NumbersFollowTheByteOrderAndChunkLengthsDoNot)
{
    const unsigned char bytes[4] = {0x80, 0x01, 0x02, 0xFF};
    mapislsb = 1;
    EXPECT_EQ(MapGetshort(bytes), 0x0180);
    EXPECT_EQ(MapGetlong(bytes), static_cast<std::int32_t>(0xFF020180u));
    EXPECT_EQ(MapGetchksz(bytes), 0x800102FFu);
    mapislsb = 0;
    EXPECT_EQ(MapGetshort(bytes), 0x8001 - 0x10000);
    EXPECT_EQ(MapGetshort(bytes + 2), 0x02FF);
    EXPECT_EQ(MapGetlong(bytes), static_cast<std::int32_t>(0x800102FFu));
    EXPECT_EQ(MapGetchksz(bytes), 0x800102FFu);
}

} // namespace
