// mapview: a small program built only against the installed map library. It shows a map file in
// a window, scrolls it with the arrow keys, steps its block animations and names the block under
// the mouse. With --headless it draws a few frames into a memory bitmap instead, scrolling right
// and down as if both arrows were held, and prints the answer for a given mouse position.
//
//   mapview MAP.fmp
//   mapview --headless FRAMES MOUSE_X MOUSE_Y MAP.fmp
#include <maplib.h>

#include <allegro.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int VIEW_W = 320;
constexpr int VIEW_H = 240;
constexpr int SCROLL_STEP = 4;    // pixels per frame while an arrow key is held
constexpr int FRAME_MS = 20;
constexpr int HEADLESS_DEPTH = 8; // of the memory bitmap drawn into, and of the map's graphics
constexpr int WINDOW_DEPTH = 32;  // when the desktop does not tell its own
constexpr int TEXT_Y = VIEW_H - 20; // two lines of Allegro's 8-pixel font
constexpr int TEXT_LINE_H = 10;
constexpr int CURSOR_SIZE = 3;
constexpr int ANSWER_SIZE = 96;

struct view {
    int x = 0, y = 0; // the map pixel at the window's top-left corner
};

int map_pixel_width() { return mapwidth * mapblockgapx; }
int map_pixel_height() { return mapheight * mapblockgapy; }

// The library draws whatever cells the window reaches, so the view never leaves the map and a
// map smaller than the window is drawn at its own size.
void keep_inside(view &v)
{
    v.x = std::max(0, std::min(v.x, map_pixel_width() - VIEW_W));
    v.y = std::max(0, std::min(v.y, map_pixel_height() - VIEW_H));
}

void draw_map(BITMAP *dest, const view &v)
{
    constexpr int first_foreground = 0;
    const int w = std::min(VIEW_W, map_pixel_width());
    const int h = std::min(VIEW_H, map_pixel_height());
    clear_to_color(dest, makecol_depth(bitmap_color_depth(dest), 0, 0, 0));
    MapDrawBGT(dest, v.x, v.y, 0, 0, w, h);
    MapDrawFG(dest, v.x, v.y, 0, 0, w, h, first_foreground);
}

// What lies under a window position: the block record's number, flags and attributes.
void describe_block(const view &v, int mouse_x, int mouse_y, char *answer)
{
    const int x = v.x + mouse_x, y = v.y + mouse_y;
    const BlockStr *block = MapGetBlockInPixels(x, y);
    if (!block) {
        std::snprintf(answer, ANSWER_SIZE, "map pixel (%d, %d): outside the map", x, y);
        return;
    }
    std::snprintf(answer, ANSWER_SIZE, "map pixel (%d, %d): block %d, flags %d, attr1 %d, attr2 %d",
                  x, y, static_cast<int>(block - mapblockstrpt), block->flags,
                  static_cast<int>(block->attr1), static_cast<int>(block->attr2));
}

// The block graphics are made for the depth of the bitmap they are drawn into.
bool load_map(const char *path, int depth)
{
    if (MapLoadDepth(path, depth) != 0) {
        std::fprintf(stderr, "mapview: %s: cannot load: maperror %d, %s\n", path, maperror,
                     MapErrorText(maperror));
        return false;
    }
    if (mapblockstaggerx || mapblockstaggery || !mappt) {
        std::fprintf(stderr, "mapview: %s: only ordinary maps with a layer 0 are shown\n", path);
        return false;
    }
    return MapGenerateYLookup() == 0;
}

int run_headless(int frames, int mouse_x, int mouse_y, const char *path)
{
    if (install_allegro(SYSTEM_NONE, &errno, std::atexit) != 0)
        return EXIT_FAILURE;
    BITMAP *canvas = create_bitmap_ex(HEADLESS_DEPTH, VIEW_W, VIEW_H);
    if (!canvas || !load_map(path, HEADLESS_DEPTH))
        return EXIT_FAILURE;
    view v;
    for (int frame = 0; frame < frames; ++frame) {
        v.x += SCROLL_STEP;
        v.y += SCROLL_STEP;
        keep_inside(v);
        MapUpdateAnims();
        draw_map(canvas, v);
    }
    char answer[ANSWER_SIZE];
    describe_block(v, mouse_x, mouse_y, answer);
    std::printf("view (%d, %d) after %d frames\n%s\n", v.x, v.y, frames, answer);
    MapFreeMem();
    destroy_bitmap(canvas);
    return EXIT_SUCCESS;
}

// The answer in two lines, the map pixel above the block, to fit the window's width.
void show_answer(BITMAP *dest, char *answer, int ink, int paper)
{
    char *block = std::strstr(answer, ": ");
    if (block) {
        *block = '\0';
        block += 2;
    }
    textout_ex(dest, font, answer, 0, TEXT_Y, ink, paper);
    if (block)
        textout_ex(dest, font, block, 0, TEXT_Y + TEXT_LINE_H, ink, paper);
}

void scroll_by_keys(view &v)
{
    // A key that is down reads as non-zero, not necessarily as 1.
    v.x += ((key[KEY_RIGHT] != 0) - (key[KEY_LEFT] != 0)) * SCROLL_STEP;
    v.y += ((key[KEY_DOWN] != 0) - (key[KEY_UP] != 0)) * SCROLL_STEP;
    keep_inside(v);
}

int run_window(const char *path)
{
    if (install_allegro(SYSTEM_AUTODETECT, &errno, std::atexit) != 0 || install_keyboard() != 0 ||
        install_timer() != 0 || install_mouse() < 0) {
        std::fprintf(stderr, "mapview: cannot start Allegro: %s\n", allegro_error);
        return EXIT_FAILURE;
    }
    const int depth = desktop_color_depth();
    set_color_depth(depth ? depth : WINDOW_DEPTH);
    if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, VIEW_W, VIEW_H, 0, 0) != 0) {
        std::fprintf(stderr, "mapview: cannot open a window: %s\n", allegro_error);
        return EXIT_FAILURE;
    }
    BITMAP *buffer = create_bitmap(VIEW_W, VIEW_H);
    if (!buffer || !load_map(path, bitmap_color_depth(buffer)))
        return EXIT_FAILURE;
    view v;
    char answer[ANSWER_SIZE];
    const int white = makecol(255, 255, 255), black = makecol(0, 0, 0);
    while (!key[KEY_ESC]) {
        scroll_by_keys(v);
        MapUpdateAnims();
        draw_map(buffer, v);
        describe_block(v, mouse_x, mouse_y, answer);
        show_answer(buffer, answer, white, black);
        rect(buffer, mouse_x - CURSOR_SIZE, mouse_y - CURSOR_SIZE, mouse_x + CURSOR_SIZE,
             mouse_y + CURSOR_SIZE, white);
        blit(buffer, screen, 0, 0, 0, 0, VIEW_W, VIEW_H);
        rest(FRAME_MS);
    }
    MapFreeMem();
    destroy_bitmap(buffer);
    return EXIT_SUCCESS;
}

bool read_number(const char *text, int &value)
{
    char *end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < 0 || number > VIEW_W * VIEW_H)
        return false;
    value = static_cast<int>(number);
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: mapview MAP.fmp\n"
                         "       mapview --headless FRAMES MOUSE_X MOUSE_Y MAP.fmp\n");
    return EXIT_FAILURE;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && argv[1][0] != '-')
        return run_window(argv[1]);
    int frames, x, y;
    if (argc == 6 && std::strcmp(argv[1], "--headless") == 0 && read_number(argv[2], frames) &&
        read_number(argv[3], x) && read_number(argv[4], y))
        return run_headless(frames, x, y, argv[5]);
    return usage();
}
END_OF_MAIN()
