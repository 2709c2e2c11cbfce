// One fuzz entry function serves two programs: the libFuzzer executable and the regression
// test that replays the committed corpus and crash inputs without libFuzzer.
#ifndef TESTS_FUZZ_TARGET_H
#define TESTS_FUZZ_TARGET_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz {

using Entry = int (*)(const std::uint8_t *data, std::size_t size);

// A target's name is the folder of its inputs under corpus/ and regressions/.
struct Target {
    const char *name;
    Entry entry;
};

inline std::vector<Target> &targets()
{
    static std::vector<Target> all;
    return all;
}

inline bool register_target(const char *name, Entry entry)
{
    targets().push_back({name, entry});
    return true;
}

// Select a memory bitmap of this colour depth as the library's screen (installs Allegro
// without a display the first time). The bitmaps live until the program ends.
void use_screen(int depth);
// Leave the library without a screen again (the bitmaps are kept for the next use).
void leave_screen();

} // namespace fuzz

// Place once in each *_fuzz.cpp after its entry function.
#ifdef ORVIA_LIBFUZZER
#define ORVIA_FUZZ_TARGET(name, entry)                                                      \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)      \
    {                                                                                       \
        return entry(data, size);                                                           \
    }
#else
#define ORVIA_FUZZ_TARGET(name, entry)                                                      \
    static const bool fuzz_target_registered = fuzz::register_target(name, entry);
#endif

#endif
