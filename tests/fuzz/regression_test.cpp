// Replays every committed input of every fuzz target (seed corpus and saved crash inputs)
// through the same entry function libFuzzer calls, so fixed crashes stay fixed.
#include "fuzz_target.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char *const INPUT_FOLDERS[] = {"corpus", "regressions"};

// Seeds kept where they are made and used: the game's own text of sounds, the playthroughs.
const std::map<std::string, fs::path> SHARED_SEEDS = {
    {"sound_text", fs::path(ORVIA_FUZZ_DIR) / "../../data/sounds"},
    {"replay", fs::path(ORVIA_FUZZ_DIR) / "../replays"},
};

std::vector<fs::path> files_in(const fs::path &dir)
{
    std::vector<fs::path> files;
    if (!fs::is_directory(dir))
        return files;
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    return files;
}

std::vector<fs::path> inputs_of(const std::string &target, const char *folder)
{
    return files_in(fs::path(ORVIA_FUZZ_DIR) / folder / target);
}

// Every committed input of the target: its own folders, then the seeds it shares.
std::vector<fs::path> committed_inputs(const std::string &target)
{
    std::vector<fs::path> inputs;
    for (const char *folder : INPUT_FOLDERS)
        for (const auto &path : inputs_of(target, folder))
            inputs.push_back(path);
    if (const auto shared = SHARED_SEEDS.find(target); shared != SHARED_SEEDS.end())
        for (const auto &path : files_in(shared->second))
            inputs.push_back(path);
    return inputs;
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
        for (const auto &path : committed_inputs(target.name)) {
            SCOPED_TRACE(path.string());
            const auto bytes = testfiles::read_file<std::vector<std::uint8_t>>(path);
            target.entry(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0);
}
