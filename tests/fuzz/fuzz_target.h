// One fuzz entry function serves two programs: the libFuzzer executable and the regression
// test that replays the committed corpus and crash inputs without libFuzzer.
#ifndef TESTS_FUZZ_TARGET_H
#define TESTS_FUZZ_TARGET_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct BITMAP;
struct BlockStr;

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

// Install Allegro without a display, once.
void start_allegro();
// Select a memory bitmap of this colour depth as the library's screen (installs Allegro
// without a display the first time). The bitmaps live until the program ends.
void use_screen(int depth);
// Leave the library without a screen again (the bitmaps are kept for the next use).
void leave_screen();

// MapDecode takes a complete image: short inputs are padded with zeros to the outer header,
// and a form length beyond the input is cut down to what it holds; the rest stays as fuzzed.
std::vector<unsigned char> complete_map_image(const std::uint8_t *data, std::size_t size);
// The bytes written to this process's scratch file, for the readers that take a file name.
// Returns the file's path, the same every time.
const char *scratch_file(const std::uint8_t *data, std::size_t size);

// A position computed in long long, brought into the int the library takes.
int clamped_to_int(long long value);

// Runs `load` on an 8-bit and on a 32-bit screen; a map it loads gets its row tables and a
// few animation steps, and is released.
void load_on_each_screen(const std::function<int()> &load);

// A small valid map (ordinary, or staggered with a click mask) whose blocks cover see-through,
// stacking and both half masks, with three animations and layers 0 to 2: somewhere to put a
// fuzzed layer.
std::vector<unsigned char> small_map_image(bool staggered);
// Aborts unless the record is null or one of the loaded map's block records.
void check_block(const BlockStr *block);
// Draws the window of the current layer with every drawing function and the parallax, into
// `canvas`; aborts when a row callback names a cell outside the map or the canvas's clip
// rectangle is not given back.
void draw_window(BITMAP *canvas, int mapx, int mapy, int wx, int wy, int ww, int wh);
// Block queries at the corners, edges and middle of the current layer and just outside it,
// aborting on a record outside the map or a block position outside it.
void query_edges();

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
