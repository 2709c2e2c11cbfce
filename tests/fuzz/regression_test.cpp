// Replays every committed input of every fuzz target (seed corpus and saved crash inputs)
// through the same entry function libFuzzer calls, so fixed crashes stay fixed.
#include "fuzz_target.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char *const INPUT_FOLDERS[] = {"corpus", "regressions"};

std::vector<fs::path> inputs_of(const std::string &target, const char *folder)
{
    std::vector<fs::path> files;
    const fs::path dir = fs::path(ORVIA_FUZZ_DIR) / folder / target;
    if (!fs::is_directory(dir))
        return files;
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    return files;
}

} // namespace

TEST(FuzzRegression, EveryTargetHasSeeds)
{
    ASSERT_FALSE(fuzz::targets().empty());
    for (const auto &target : fuzz::targets())
        EXPECT_FALSE(inputs_of(target.name, "corpus").empty()) << target.name;
}

// A fuzz entry has no result of its own: a crash, or a sanitizer report in the sanitizer
// build, is what fails here.
TEST(FuzzRegression, CommittedInputsRunCleanly)
{
    int replayed = 0;
    for (const auto &target : fuzz::targets()) {
        for (const char *folder : INPUT_FOLDERS) {
            for (const auto &path : inputs_of(target.name, folder)) {
                SCOPED_TRACE(path.string());
                const auto bytes = testfiles::read_file<std::vector<std::uint8_t>>(path);
                target.entry(bytes.data(), bytes.size());
                ++replayed;
            }
        }
    }
    EXPECT_GT(replayed, 0);
}
