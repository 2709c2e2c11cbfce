// The map inspector: a good file listed chunk by chunk and record by record in words; broken
// files described by the chunk walk and by the loader's error code and its meaning.
#include "mapinspect.h"

#include "headless.h"
#include "testfiles.h"
#include "testmaps.h"
#include "toolstest.h"

#include "levelcheck.h"
#include "maplib.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

MapFile small_map()
{
    MapFile map;
    map.maptype = 1;
    map.width = 3;
    map.height = 2;
    map.numgfx = 3;
    map.gfx.assign(3 * 16 * 16, 1);
    map.cmap = testmaps::black_cmap();
    MapFileBlock sky, rock, rise;
    sky.flags = BLOCK_SEE_THROUGH;
    rock.gfx_bg = 1;
    rock.flags = 1 | 4;
    rise.gfx_bg = 2;
    rise.gfx_fg2 = 1;
    rise.attr1 = 4;
    rise.attr5 = 9;
    map.blocks = {sky, rock, rise};
    map.animseq = {2, 1};
    MapFileAnim anim;
    anim.type = anim_pingpong_forward;
    anim.delay = 3;
    anim.first = 0;
    anim.end = 2;
    map.anims = {anim};
    map.layers[0] = {0, -1, 0, 1, 2, 1};
    return map;
}

std::string save_image(const std::string &name, const std::vector<unsigned char> &bytes)
{
    return testfiles::write_scratch(name, std::string(bytes.begin(), bytes.end()));
}

// The listing and the problems, as the inspector writes them to their two streams.
struct Inspection {
    std::string listing;
    std::string problems;
};

class MapInspect : public HeadlessTest {
protected:
    Inspection inspect(const std::string &path, int expected_result)
    {
        std::ostringstream out, problems;
        EXPECT_EQ(inspect_map(path, out, problems), expected_result);
        return {out.str(), problems.str()};
    }
};

bool contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(MapInspect, ListsChunksHeaderBlocksAndAnimationsInWords)
{
    std::vector<unsigned char> image = MapEncode(small_map());
    const std::string path = save_image("good.fmp", image);
    const Inspection found = inspect(path, 0);
    const std::string &text = found.listing;
    EXPECT_TRUE(contains(text, "outer header: FORM, form length " +
                                   std::to_string(image.size() - 8) + ", form type FMAP\n"));
    EXPECT_TRUE(contains(text, "  MPHD  offset 12  length 38\n  CMAP  offset 58  length 768\n"))
        << text;
    EXPECT_TRUE(contains(text, "  map type 1, 3 x 2 blocks of 16 x 16 pixels\n")) << text;
    EXPECT_TRUE(contains(text, "  layer 0 (BODY): 3 x 2 cells, 3 different blocks, 1 animated cells\n"))
        << text;
    EXPECT_TRUE(contains(text, "  0: graphics 0 - - -; flags see_through; slope none;")) << text;
    EXPECT_TRUE(contains(text, "  1: graphics 1 - - -; flags solid,ice; slope none;")) << text;
    EXPECT_TRUE(contains(text, "  2: graphics 2 - 1 -; flags none; slope 4 (floor, high on the "
                               "right); attributes 0 0 0 9 0 0\n"))
        << text;
    EXPECT_TRUE(contains(text, "  1 (cell -1): pingpong_forward, delay 3, user 0, frames 0 to 1, "
                               "blocks 2 1\n"))
        << text;
    EXPECT_TRUE(contains(text, "start: none, so the game's own: 1350, 447\n")) << text;
    const std::string unplayable = ": the girl's start position (1350, 447) is outside the map "
                                   "of 48 x 32 pixels\n";
    EXPECT_EQ(found.problems, "warning: the game cannot play " + path + unplayable);
    EXPECT_EQ(mappt, nullptr) << "the inspector leaves no map loaded";
}

// What the walk says of a file (its own test has the words) comes first, then the loader's
// verdict: a cut file is refused, one with bytes after the form loads.
TEST_F(MapInspect, PassesOnTheWalksProblemAndTheLoadersVerdict)
{
    std::vector<unsigned char> image = MapEncode(small_map());
    const std::size_t full = image.size();
    image.resize(full - 10);
    const std::string cut = save_image("cut.fmp", image);
    MapChunkWalk walk;
    ASSERT_EQ(MapWalkChunks(cut.c_str(), walk), -1);
    const Inspection found = inspect(cut, 1);
    EXPECT_EQ(found.problems, "problem: " + walk.problem +
                                  "\nthe loader refuses the file: maperror 2, " +
                                  MapErrorText(MER_MAPLOADERROR) + "\n");
    EXPECT_TRUE(contains(found.listing, "  BKDT  offset")) << found.listing;
    EXPECT_FALSE(contains(found.listing, "  BODY")) << found.listing;
    EXPECT_FALSE(contains(found.listing, "block records:"));

    image = MapEncode(small_map());
    image.resize(full + 10, 0x55);
    const std::string longer_path = save_image("longer.fmp", image);
    ASSERT_EQ(MapWalkChunks(longer_path.c_str(), walk), 0);
    ASSERT_FALSE(walk.problem.empty());
    const Inspection longer = inspect(longer_path, 0);
    EXPECT_EQ(longer.problems.rfind("problem: " + walk.problem + "\nwarning: ", 0), 0u)
        << longer.problems;
    EXPECT_TRUE(contains(longer.listing, "block records:")) << longer.listing;

    // A start chunk that gives no start: the game refuses the map, and says why.
    MapFile damaged = small_map();
    damaged.extra_chunks.push_back({START_CHUNK_ID, {1, 2, 3, 4}});
    const std::string path = save_image("damaged.fmp", MapEncode(damaged));
    const Inspection broken_start = inspect(path, 0);
    EXPECT_TRUE(contains(broken_start.listing, "start: none that can be read\n"));
    EXPECT_EQ(broken_start.problems, "warning: the game cannot play " + path +
                                         ": the start chunk STRT has 4 bytes, not 8\n");
}

TEST_F(MapInspect, DescribesAFileThatIsNoMap)
{
    std::string text =
        inspect(testfiles::write_scratch("junk.fmp", "JUNK\x01\x02\x03\x04XY"), 1).problems;
    EXPECT_TRUE(contains(text, "problem: 10 bytes is too short for the outer header (12 bytes)\n"))
        << text;
    EXPECT_TRUE(contains(text, "maperror 2, " + std::string("not a valid map file, or shorter than it says"))) << text;

    const Inspection riff =
        inspect(testfiles::write_scratch("riff.fmp", std::string("RIFF\0\0\0\4WAVE", 12)), 1);
    EXPECT_TRUE(contains(riff.listing, "outer header: RIFF, form length 4, form type WAVE\n"))
        << riff.listing;
    EXPECT_TRUE(contains(riff.problems,
                         "problem: a map file begins with FORM and has the form type FMAP\n"))
        << riff.problems;
}

TEST_F(MapInspect, ReportsAnUnsupportedVersionAndAMissingFile)
{
    std::vector<unsigned char> image = MapEncode(small_map());
    constexpr std::size_t mphd_data = 12 + 8;
    image[mphd_data] = 2; // major version
    std::string text = inspect(save_image("new.fmp", image), 1).problems;
    EXPECT_TRUE(contains(text, "maperror 7, " + std::string("unsupported map format version or map type"))) << text;

    text = inspect(testfiles::scratch_dir() + "/absent.fmp", 1).problems;
    EXPECT_TRUE(contains(text, "problem: the file cannot be read: No such file or directory\n"))
        << text;
    EXPECT_TRUE(contains(text, "maperror 3, " + std::string("the file cannot be opened"))) << text;
}

TEST(MapinspectProgram, ListsOnStandardOutputAndSaysWhatIsWrongOnStandardError)
{
    std::string path = testfiles::write_scratch("broken.fmp", std::string("FORM\0\0\0\x40" "FMAP", 12));
    toolstest::run_result r = toolstest::run_program(std::string(MAPINSPECT_PROGRAM) + " " + path);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.standard_output, "file: " + path + "\nouter header: FORM, form length 64, form type "
                                 "FMAP\nchunks:\n");
    EXPECT_EQ(r.standard_error, "problem: the form length says the file has 72 bytes, it has 12\n"
                                "the loader refuses the file: maperror 2, not a valid map file, "
                                "or shorter than it says\n");
}

} // namespace
