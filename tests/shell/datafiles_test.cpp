// The data files come from the current folder first, then from share/orvia beside the
// executable's folder, wherever the installation was moved.
#include "datafiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old_dir = fs::current_path();
        char pattern[] = "/tmp/shell-data-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        fs::create_directories(dir / "moved/prefix/bin");
        fs::create_directories(dir / "moved/prefix/share/orvia");
        fs::create_directories(dir / "play");
        std::ofstream(dir / "moved/prefix/share/orvia/jump.fmp") << "installed";
        fs::current_path(dir / "play");
    }
    void TearDown() override
    {
        fs::current_path(old_dir);
        fs::remove_all(dir);
    }

    fs::path old_dir, dir;
};

TEST_F(DataFilesTest, TheCurrentFolderFirstThenTheInstalledFolderThenThePlainName)
{
    const std::string executable = (dir / "moved/prefix/bin/orvia").string();
    const std::string installed = (dir / "moved/prefix/share/orvia").string();
    EXPECT_EQ(installed_data_folder(executable), installed);
    EXPECT_EQ(data_file_path("jump.fmp", executable), installed + "/jump.fmp");
    EXPECT_EQ(data_file_path("gfx.dat", executable), "gfx.dat") << "found nowhere";

    std::ofstream("jump.fmp") << "here";
    EXPECT_EQ(data_file_path("jump.fmp", executable), "jump.fmp");
}

} // namespace
