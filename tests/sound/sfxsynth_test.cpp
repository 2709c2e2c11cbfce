// The synthesizer on the game's own text: the same files from every run, one for each cue, each
// short, within full scale, about zero and silent at both ends; and a text full of mistakes,
// each reported at its place, with nothing written.
#include "cues.h"
#include "soundfile.h"
#include "testfiles.h"
#include "toolstest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string SOUND_TEXT = ORVIA_SOURCE_DIR "/data/sounds/sounds.txt";

// Short effects; only the death may take longer.
constexpr double LONGEST_EFFECT = 0.3;
constexpr double LONGEST_DEATH = 1.0;
// Within full scale with room to spare, no constant offset, and the first and last samples at
// the edge of silence, so that no sound clicks in or out.
constexpr double HIGHEST_PEAK = 0.95;
constexpr double LARGEST_MEAN = 0.005;
constexpr double LOUDEST_EDGE = 0.01;
constexpr double FULL_SCALE = 32768;

toolstest::run_result synthesize(const std::string &text, const std::string &folder)
{
    return toolstest::run_program(std::string(SFXSYNTH_PROGRAM) + " " + text + " " + folder);
}

std::set<std::string> files_in(const std::string &folder)
{
    std::set<std::string> names;
    if (fs::is_directory(folder))
        for (const auto &entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
    return names;
}

double level(const wav_sound &sound, std::size_t i)
{
    const std::uint8_t *p = sound.data + 2 * i;
    return static_cast<std::int16_t>(p[0] | p[1] << 8) / FULL_SCALE;
}

void expect_clean_effect(const std::string &name, const std::vector<std::uint8_t> &bytes)
{
    SCOPED_TRACE(name);
    wav_sound sound;
    ASSERT_EQ(read_wav(bytes.data(), bytes.size(), sound), "");
    EXPECT_EQ(sound.bits, 16);
    EXPECT_EQ(sound.rate, SOUND_RATE);
    const double seconds = static_cast<double>(sound.frames) / sound.rate;
    EXPECT_LE(seconds, name == "death.wav" ? LONGEST_DEATH : LONGEST_EFFECT);
    double peak = 0, sum = 0;
    for (std::size_t i = 0; i < sound.frames; ++i) {
        peak = std::max(peak, std::fabs(level(sound, i)));
        sum += level(sound, i);
    }
    EXPECT_LE(peak, HIGHEST_PEAK);
    EXPECT_GT(peak, 0.1) << "heard at all";
    EXPECT_LE(std::fabs(sum / sound.frames), LARGEST_MEAN);
    EXPECT_LE(std::fabs(level(sound, 0)), LOUDEST_EDGE);
    EXPECT_LE(std::fabs(level(sound, sound.frames - 1)), LOUDEST_EDGE);
}

TEST(SoundSynthesizer, TheGameTextGivesTheSameCleanSoundForEveryCueEveryTime)
{
    const std::string first = testfiles::scratch_dir() + "/first";
    ASSERT_EQ(synthesize(SOUND_TEXT, first).status, 0);
    std::set<std::string> wanted;
    for (int cue = 0; cue < CUE_COUNT; ++cue)
        wanted.insert(std::string(cue_name(static_cast<sound_cue>(cue))) + ".wav");
    EXPECT_EQ(files_in(first), wanted);
    for (const std::string &name : files_in(first)) {
        const auto bytes = testfiles::read_file<std::vector<std::uint8_t>>(first + "/" + name);
        expect_clean_effect(name, bytes);
        EXPECT_EQ(bytes, testfiles::read_file<std::vector<std::uint8_t>>(
                             std::string(ORVIA_GAME_DIR) + "/sounds/" + name))
            << name << " as the build made it";
    }
}

TEST(SoundSynthesizer, EveryMistakeIsReportedAtItsPlaceAndNothingIsWritten)
{
    const std::string text = testfiles::write_scratch("mistakes.txt",
                                                      "wave square\n"                // 1
                                                      "sound jump\n"                 // 2
                                                      "  wave saw\n"                 // 3
                                                      "  pitch 300 400 500\n"        // 4
                                                      "  length long\n"              // 5
                                                      "  duty 2\n"                   // 6
                                                      "  colour red\n"               // 7
                                                      "sound jump\n"                 // 8
                                                      "  wave sine\n"                // 9
                                                      "  wave sine\n"                // 10
                                                      "  pitch 20000\n"              // 11
                                                      "  length 0.1\n"               // 12
                                                      "  attack 0.05\n"              // 13
                                                      "  release 0.06\n"             // 14
                                                      "voice extra\n"                // 15
                                                      "sound Loud!\n");             // 16
    const std::string folder = testfiles::scratch_dir() + "/not_written";
    const toolstest::run_result run = synthesize(text, folder);
    EXPECT_NE(run.status, 0);
    const std::string expected[] = {
        ":1:1: \"wave\" comes before the first \"sound\" line",
        ":3:8: unknown wave \"saw\" (square, triangle, sine or noise)",
        ":4:3: \"pitch\" takes 1 to 2 values, not 3",
        ":5:10: \"long\" is not a number",
        ":6:8: \"duty\" 2 is outside 0.05 to 0.95",
        ":7:3: unknown parameter \"colour\"",
        ":8:7: sound \"jump\" is already defined on line 2",
        ":8:1: attack, decay and release take 0.11 s, longer than the voice's 0.1 s",
        ":8:1: a tone of 20000 Hz is above half the rate (11025 Hz)",
        ":10:3: \"wave\" is given twice in one voice",
        ":15:1: \"voice\" takes no values, not 1",
        ":16:7: a sound's name is 1 to 32 of the letters a to z, digits and \"_\", not \"Loud!\"",
        ":16:1: the voice has no \"wave\" line",
    };
    for (const std::string &message : expected)
        EXPECT_NE(run.standard_error.find(text + message), std::string::npos) << message;
    EXPECT_EQ(run.standard_output, "");
    EXPECT_TRUE(files_in(folder).empty());

    // A text right in form whose voices add up past full scale.
    const std::string loud = testfiles::write_scratch(
        "loud.txt", "sound loud\n wave square\n pitch 200\n length 0.1\n volume 0.7\nvoice\n"
                    " wave square\n pitch 200\n length 0.1\n volume 0.7\n");
    const toolstest::run_result clipping = synthesize(loud, folder);
    EXPECT_NE(clipping.status, 0);
    EXPECT_NE(clipping.standard_error.find(loud + ":1:1: the voices of \"loud\" reach 1.40 of "
                                                  "full scale and would clip"),
              std::string::npos)
        << clipping.standard_error;
    EXPECT_TRUE(files_in(folder).empty());

    // One voice too many is one mistake, not one for each of its lines.
    std::string crowded = "sound crowded\n";
    for (int voice = 0; voice < 9; ++voice)
        crowded += (voice ? "voice\n" : "") + std::string(" wave sine\n pitch 200\n length 0.1\n");
    const std::string nine = testfiles::write_scratch("nine.txt", crowded);
    EXPECT_EQ(synthesize(nine, folder).standard_error,
              nine + ":33:1: a sound has at most 8 voices\n");

    // A text that would be written over by one of its own sounds.
    const std::string own = testfiles::write_scratch(
        "jump.wav", "sound jump\n wave square\n pitch 200\n length 0.1\n");
    const toolstest::run_result overwriting = synthesize(own, testfiles::scratch_dir());
    EXPECT_NE(overwriting.status, 0);
    EXPECT_NE(overwriting.standard_error.find("it is not overwritten"), std::string::npos)
        << overwriting.standard_error;
    EXPECT_EQ(testfiles::read_file(own), "sound jump\n wave square\n pitch 200\n length 0.1\n");
}

} // namespace
