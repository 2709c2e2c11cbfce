// The player's keys: the controls file read strictly and replaced whole, the keys it names
// driving the controls, and the "Redefine keys" screen, by its rules and pressed from a thread.
#include "controls.h"
#include "controlsfile.h"
#include "display.h"
#include "graphic.h"
#include "headless.h"
#include "keyscreen.h"
#include "testfiles.h"
#include "windowevents.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A configuration folder of the test's own, not made yet, as XDG_CONFIG_HOME, and no key down.
class KeysTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless::install();
        config = folder.path() / "config";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        file = (config / "orvia" / "controls.cfg").string();
    }
    void TearDown() override
    {
        for (int k = 0; k < KEY_MAX; ++k)
            key[k] = 0;
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }

    void write_controls(const std::string &text) const
    {
        fs::create_directories(config / "orvia");
        ASSERT_TRUE(testfiles::write_file(file, text));
    }

    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "/root";
    const testfiles::CurrentFolder folder;
    fs::path config;
    std::string file;
};

// Loads the controls file; its warnings go to `told`.
key_bindings load_telling(std::string &told)
{
    ::testing::internal::CaptureStderr();
    const key_bindings keys = load_key_bindings();
    told = ::testing::internal::GetCapturedStderr();
    return keys;
}

TEST_F(KeysTest, EachBadEntryIsOneWarningAndItsControlKeepsItsDefault)
{
    struct line {
        const char *text;
        const char *warning; // "" for a good line
    };
    const line lines[] = {
        {"stray = A", "an entry outside the [keys] and [pad] sections"},
        {"[Keys]  # names and sections in any case", ""},
        {"left = a", ""},
        {"jmup = Z", "unknown control \"jmup\" in [keys] (there are left, right, up, down, "
                     "jump, run)"},
        {"up = FOO", "unknown key \"FOO\" for up; up keeps UP"},
        {"down = S", "S is one of the game's own keys (ESC, S, P, M, ENTER, K, Y, N); "
                     "down keeps DOWN"},
        {"right = A", "A is already left's (line 3); right keeps RIGHT"},
        {"left = B", "left is given twice; line 3 stands"},
        {"run = LCONTROL", ""}, // free: jump has Z from a later line
        {"jump = Z", ""},
        {"just words", "\"just words\" is neither a [section] line nor a name = value entry"},
        {"down = \x1b[2J", "unknown key \"\\x1b[2J\" for down; down keeps DOWN"},
        {"[pad]", ""},
        {"jump = -0", "bad button number \"-0\" for pad jump (0 to 31); pad jump keeps 0"},
        {"run = 0", "button 0 is already pad jump's (by default); pad run keeps 1"},
        {"[sound]", "unknown section [sound] (there are [keys] and [pad]); its entries are not "
                    "read"},
        {"volume = 3", ""},
    };
    std::string text, expected;
    for (std::size_t i = 0; i < std::size(lines); ++i) {
        text += lines[i].text + std::string("\r\n");
        if (*lines[i].warning)
            expected += "orvia: " + file + ":" + std::to_string(i + 1) + ": " + lines[i].warning +
                        "\n";
    }
    write_controls("\xEF\xBB\xBF" + text);
    std::string told;
    const key_bindings keys = load_telling(told);
    EXPECT_EQ(told, expected);
    key_bindings wanted;
    wanted.of[binding_left] = KEY_A;
    wanted.of[binding_jump] = KEY_Z;
    wanted.of[binding_run] = KEY_LCONTROL;
    EXPECT_EQ(keys, wanted);

    // A dropped entry gives its control back a default that an earlier line took.
    const controls_reading chain = parse_controls("[keys]\nleft = LCONTROL\njump = RIGHT\n");
    ASSERT_EQ(chain.problems.size(), 2u);
    EXPECT_EQ(chain.problems[0].text, "LCONTROL is already jump's (by default); left keeps LEFT");
    EXPECT_EQ(chain.problems[1].text, "RIGHT is already right's (by default); jump keeps LCONTROL");
    EXPECT_EQ(chain.keys, key_bindings{});
}

TEST_F(KeysTest, AFileThatPutsJumpOnZMakesZJumpAndLeftCtrlNot)
{
    write_controls("[keys]\njump = Z\n");
    std::string told;
    const key_bindings keys = load_telling(told);
    EXPECT_EQ(told, "");
    key[KEY_Z] = 1;
    EXPECT_TRUE(read_controls(keys).jump);
    EXPECT_FALSE(read_controls().jump) << "without the file's keys Z does nothing";
    key[KEY_Z] = 0;
    key[KEY_LCONTROL] = 1;
    EXPECT_FALSE(read_controls(keys).jump);
    EXPECT_TRUE(read_controls().jump);

    // Only a regular file is read: a folder or a FIFO in its place is one warning.
    fs::remove(file);
    EXPECT_EQ(load_telling(told), key_bindings{});
    EXPECT_EQ(told, "") << "no file, no warning";
    for (auto make : {+[](const char *p) { return mkdir(p, 0700); },
                      +[](const char *p) { return mkfifo(p, 0600); }}) {
        ASSERT_EQ(make(file.c_str()), 0);
        EXPECT_EQ(load_telling(told), key_bindings{});
        EXPECT_EQ(told, "orvia: cannot read the controls file \"" + file +
                            "\": not a regular file; playing with the default keys\n");
        fs::remove(file);
    }

    // An empty or relative XDG_CONFIG_HOME is no folder: HOME's .config serves.
    setenv("HOME", "/home/player", 1);
    for (const char *unusable : {"", "relative/config"}) {
        setenv("XDG_CONFIG_HOME", unusable, 1);
        EXPECT_EQ(controls_file_path(), "/home/player/.config/orvia/controls.cfg") << unusable;
    }
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "", 1);
    EXPECT_EQ(controls_file_path(), "");
    EXPECT_EQ(load_telling(told), key_bindings{});
    EXPECT_EQ(told, "");
}

// Saves with files limited to 16 bytes, which holds for the death test's record of standard
// error too: exits 0 when the save fails.
[[noreturn]] void save_into_a_file_too_small(const key_bindings &keys)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{16, 16};
    setrlimit(RLIMIT_FSIZE, &small);
    std::_Exit(save_key_bindings(keys) ? 1 : 0);
}

TEST_F(KeysTest, SavedKeysReadBackAndAFailedSaveLeavesThePreviousFileWhole)
{
    key_bindings keys;
    keys.of[binding_jump] = KEY_SPACE;
    keys.of[binding_pad_run] = 5;
    ASSERT_TRUE(save_key_bindings(keys));
    for (const fs::path &made : {config, config / "orvia"}) {
        struct stat facts;
        ASSERT_EQ(stat(made.c_str(), &facts), 0);
        EXPECT_EQ(facts.st_mode & 0777, 0700u) << made;
    }
    const std::string saved = testfiles::read_file(file);
    EXPECT_EQ(saved.rfind("# ", 0), 0u) << "a comment says what the file is";
    std::string told;
    EXPECT_EQ(load_telling(told), keys);
    EXPECT_EQ(told, "");

    key_bindings others = keys;
    others.of[binding_left] = KEY_J;
    EXPECT_EXIT(save_into_a_file_too_small(others), ::testing::ExitedWithCode(0), "orvia: ");
    EXPECT_EQ(testfiles::read_file(file), saved);
    EXPECT_EQ(std::distance(fs::directory_iterator(config / "orvia"), fs::directory_iterator()),
              1)
        << "no temporary file is left";

    // A regular file where the game's folder would be.
    const std::string in_the_way = testfiles::write_scratch("not-a-folder", "");
    setenv("XDG_CONFIG_HOME", in_the_way.c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(save_key_bindings(keys));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "orvia: cannot save the keys in \"" + in_the_way +
                  "/orvia/controls.cfg\": cannot make the folder \"" + in_the_way +
                  "/orvia\": Not a directory; they serve until the game ends\n");
}

TEST_F(KeysTest, AKeyGivenToOneControlIsTakenFromTheOtherWhichIsAskedAgain)
{
    key_choice choice(key_bindings{}, true);
    for (const int k : {KEY_A, KEY_S, KEY_D, KEY_W, KEY_A, KEY_SPACE, KEY_LSHIFT}) {
        answer(choice, k);
        EXPECT_EQ(choice.refused_key, k == KEY_S ? KEY_S : 0) << "the game's own key is refused";
    }
    EXPECT_EQ(choice.chosen.of[binding_left], UNBOUND) << "down took A";
    EXPECT_EQ(asked_now(choice), binding_pad_jump);
    answer(choice, 1); // button 1 is no key: down keeps KEY_A, which is 1 too
    answer(choice, 1); // taken from the pad's jump
    EXPECT_EQ(asked_now(choice), binding_left) << "asked again, in order";
    answer(choice, KEY_LEFT);
    EXPECT_EQ(asked_now(choice), binding_pad_jump);
    answer(choice, 2);
    EXPECT_EQ(asked_now(choice), binding_count);
    key_bindings wanted;
    wanted.of = {KEY_LEFT, KEY_D, KEY_W, KEY_A, KEY_SPACE, KEY_LSHIFT, 2, 1};
    EXPECT_EQ(choice.chosen, wanted);

    key_choice without_pad(key_bindings{}, false);
    for (const int k : {KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6})
        answer(without_pad, k);
    EXPECT_EQ(asked_now(without_pad), binding_count) << "no pad, no pad questions";
}

// Presses and releases each key in turn, as a person at the keyboard would; `then` after.
template <typename Then>
std::thread person_pressing(std::initializer_list<int> keys, Then then)
{
    return std::thread([keys = std::vector<int>(keys), then] {
        const auto moment = std::chrono::milliseconds(60);
        for (const int k : keys) {
            std::this_thread::sleep_for(moment);
            key[k] = 1;
            std::this_thread::sleep_for(moment);
            key[k] = 0;
        }
        then();
    });
}

TEST_F(KeysTest, TheScreenAsksEveryKeyAndSavesOrLeavesAllAsItWas)
{
    headless::make_screen(8);
    comicf = font;
    BITMAP *picture = create_bitmap(320, 240);
    key_bindings keys;

    // ESC after the first answer: nothing changes, nothing is written.
    std::thread person = person_pressing({KEY_A, KEY_ESC}, [] {});
    EXPECT_EQ(redefine_keys(picture, keys), key_screen_end::kept);
    person.join();
    EXPECT_EQ(keys, key_bindings{});
    EXPECT_FALSE(fs::exists(file));

    // Closing the window ends the screen as ESC does.
    person = person_pressing({KEY_A}, [] { note_close_request(); });
    EXPECT_EQ(redefine_keys(picture, keys), key_screen_end::window_closed);
    person.join();
    forget_window_events();
    EXPECT_EQ(keys, key_bindings{});

    // X, held from before, answers nothing; down takes A from left, which is asked again.
    key[KEY_X] = 1;
    person = person_pressing({KEY_X, KEY_A, KEY_D, KEY_W, KEY_A, KEY_SPACE, KEY_LSHIFT, KEY_J},
                             [] {});
    EXPECT_EQ(redefine_keys(picture, keys), key_screen_end::saved);
    person.join();
    key_bindings wanted;
    wanted.of = {KEY_J, KEY_D, KEY_W, KEY_A, KEY_SPACE, KEY_LSHIFT, 0, 1};
    EXPECT_EQ(keys, wanted);
    std::string told;
    EXPECT_EQ(load_telling(told), wanted);
    int heading_pixels = 0;
    for (int y = 30; y < 42; ++y)
        for (int x = 10; x < 120; ++x)
            heading_pixels += getpixel(picture, x, y) == 15;
    EXPECT_GT(heading_pixels, 0) << "the heading is drawn";

    release_display();
    destroy_bitmap(picture);
    comicf = nullptr;
    headless::drop_screen();
}

} // namespace
