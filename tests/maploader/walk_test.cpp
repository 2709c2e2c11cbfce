// The walk of a map file's chunks: what a load reads, by its rules, plain or packed, and where a
// load would stop, with the loaded map and maperror left alone.
#include "loadertest.h"
#include "testfiles.h"

#include <cerrno>
#include <cstring>

using namespace loadertest;

namespace {

void expect_chunks(const MapChunkWalk &walk, const std::vector<Chunk> &expected)
{
    ASSERT_EQ(walk.chunks.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("chunk " + expected[i].id);
        EXPECT_EQ(walk.chunks[i].id, expected[i].id);
        EXPECT_EQ(walk.chunks[i].offset, expected[i].offset);
        EXPECT_EQ(walk.chunks[i].length, expected[i].data.size());
    }
}

TEST(ChunkWalk, ListsWhatALoadReadsAndStopsWhereALoadStops)
{
    headless::install();
    const Bytes image = encode(sample_map(2));
    const std::vector<Chunk> chunks = split(image);
    testfiles::ScratchFile plain("walk.fmp"), packed("walk-packed.fmp"), cut("walk-cut.fmp"),
        longer("walk-longer.fmp");
    ASSERT_TRUE(plain.write(image));
    ASSERT_TRUE(testfiles::write_packed_file(packed.path(), image));
    constexpr std::size_t CUT = 3, MORE = 10;
    ASSERT_TRUE(cut.write(Bytes(image.begin(), image.end() - CUT)));
    Bytes extended = image;
    extended.resize(image.size() + MORE, 0x55);
    ASSERT_TRUE(longer.write(extended));

    for (const char *path : {plain.path(), packed.path()}) {
        SCOPED_TRACE(path);
        MapChunkWalk walk;
        ASSERT_EQ(MapWalkChunks(path, walk), 0) << walk.problem;
        EXPECT_EQ(walk.form_id, "FORM");
        EXPECT_EQ(walk.form_type, "FMAP");
        EXPECT_EQ(walk.form_length, image.size() - 8);
        expect_chunks(walk, chunks);
        EXPECT_EQ(walk.problem, "");
    }

    MapChunkWalk after;
    EXPECT_EQ(MapWalkChunks(longer.path(), after), 0) << "a load reads the form only";
    expect_chunks(after, chunks);
    EXPECT_EQ(after.problem, "the form length says the file has " + std::to_string(image.size()) +
                                 " bytes, it has " + std::to_string(image.size() + MORE));

    ASSERT_EQ(MapDecodeDepth(image.data(), 8), 0);
    short *const loaded = mappt;
    MapChunkWalk walk;
    EXPECT_EQ(MapWalkChunks(cut.path(), walk), -1);
    const Chunk &last = chunks.back();
    EXPECT_EQ(walk.problem, "chunk " + last.id + " at offset " + std::to_string(last.offset) +
                                " says " + std::to_string(last.data.size()) +
                                " bytes of data, only " +
                                std::to_string(last.data.size() - CUT) + " remain");
    expect_chunks(walk, std::vector<Chunk>(chunks.begin(), chunks.end() - 1));
    EXPECT_EQ(maperror, MER_NONE);
    EXPECT_EQ(mappt, loaded) << "the walk leaves the loaded map alone";
    EXPECT_EQ(MapLoadDepth(cut.path(), 8), -1);
    EXPECT_EQ(maperror, MER_MAPLOADERROR) << "a load stops where the walk stops";

    EXPECT_EQ(MapWalkChunks((testfiles::scratch_dir() + "/absent.fmp").c_str(), walk), -1);
    EXPECT_EQ(walk.problem, std::string("the file cannot be read: ") + std::strerror(ENOENT));
    EXPECT_TRUE(walk.chunks.empty());
    MapFreeMem();
}

} // namespace
