// The sound module where there is no sound device: every real sound file loads, and then the
// missing device, a missing file or a damaged one each gives one line on standard error and a
// silent game, in which playing, muting and closing are harmless.
#include "headless.h"
#include "sound.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// Nowhere: the installed data folder beside it does not exist either.
const char *const NO_EXECUTABLE = "/nonexistent/bin/orvia";

struct opening {
    bool opened;
    std::string errors;
};

opening open_capturing_errors()
{
    ::testing::internal::CaptureStderr();
    const bool opened = open_sound(NO_EXECUTABLE, false);
    return {opened, ::testing::internal::GetCapturedStderr()};
}

void expect_one_line(const std::string &errors, const std::string &part)
{
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_NE(errors.find(part), std::string::npos) << errors;
    EXPECT_NE(errors.find("; playing without sound\n"), std::string::npos) << errors;
}

class SoundTest : public HeadlessTest {};

TEST_F(SoundTest, WithoutADeviceOrASoundFileTheGamePlaysSilently)
{
    testfiles::CurrentFolder here;
    fs::copy(ORVIA_GAME_DIR "/sounds", "sounds");

    const opening no_device = open_capturing_errors();
    EXPECT_FALSE(no_device.opened);
    expect_one_line(no_device.errors, "orvia: no sound device");
    play_cue(cue_jump);
    set_muted(true);
    EXPECT_TRUE(sound_muted());
    set_muted(false);
    EXPECT_FALSE(sound_muted());
    close_sound();

    fs::remove("sounds/land.wav");
    const opening missing = open_capturing_errors();
    EXPECT_FALSE(missing.opened);
    expect_one_line(missing.errors,
                    "cannot use the sound \"sounds/land.wav\" (looked in the current folder, then "
                    "in /nonexistent/share/orvia): No such file or directory");

    testfiles::write_file("sounds/land.wav", std::string("RIFF"));
    const opening damaged = open_capturing_errors();
    EXPECT_FALSE(damaged.opened);
    expect_one_line(damaged.errors, "\"sounds/land.wav\"");
    expect_one_line(damaged.errors, "not a RIFF/WAVE file");
    play_cue(cue_land, CUE_FULL_VOLUME);
    close_sound();
}

} // namespace
