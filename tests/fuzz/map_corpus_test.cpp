// The map_decode seeds are valid maps, so the fuzzer starts from inputs that reach the chunk
// decoders, graphics conversion and animations rather than the outer header checks.
#include "fuzz_target.h"
#include "maplib.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

class MapSeedCorpus : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override
    {
        MapFreeMem();
        fuzz::leave_screen();
    }
};

TEST_P(MapSeedCorpus, EverySeedDecodes)
{
    fuzz::use_screen(GetParam());
    int seeds = 0;
    for (const auto &entry : fs::directory_iterator(fs::path(ORVIA_FUZZ_DIR) / "corpus/map_decode")) {
        const auto image = testfiles::read_file<std::vector<unsigned char>>(entry.path());
        EXPECT_EQ(MapDecode(image.data()), 0) << entry.path() << " maperror " << maperror;
        ++seeds;
    }
    EXPECT_GT(seeds, 0);
}

INSTANTIATE_TEST_SUITE_P(ScreenDepths, MapSeedCorpus, ::testing::Values(8, 15, 16, 24, 32));

int fuzz_map_decode(const std::uint8_t *data, std::size_t size);

// The harness completes what MapDecode's contract needs: at least the outer header, and a
// form length no longer than the input (a sanitizer build shows any read past the input).
TEST(MapDecodeHarness, ShortAndOverlongInputsStayInsideTheImage)
{
    const std::uint8_t form[] = {'F', 'O', 'R', 'M', 0xFF, 0xFF, 0xFF, 0xFF, 'F', 'M', 'A', 'P',
                                 'M', 'P', 'H', 'D', 0x7F, 0xFF, 0xFF, 0xFF, 0};
    for (std::size_t size : {std::size_t{0}, std::size_t{4}, std::size_t{11}, sizeof form})
        fuzz_map_decode(form, size);
    EXPECT_EQ(screen, nullptr);
}
