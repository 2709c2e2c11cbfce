// Drawing windows of a layer: which cells land where, see-through and foreground rules, the
// window clip and the caller's clip rectangle, staggered walks and single rows with stacks.
#include "canvas.h"
#include "headless.h"
#include "testmaps.h"

#include <tuple>

using namespace testmaps;

namespace {

// ---------------------------------------------------------------------------------------------
// A grid map whose every cell has its own colour: 24 x 10 cells of 16 pixels, cell (c, r)
// showing block and graphic 1 + c + 24 r as background and as first foreground.
// ---------------------------------------------------------------------------------------------

constexpr int GRID_W = 24, GRID_H = 10;

int grid_colour(int column, int row) { return 1 + column + GRID_W * row; }

MapFile grid_map()
{
    MapFile map = solid_map(GRID_W, GRID_H, 1 + GRID_W * GRID_H);
    for (int g = 0; g < map.numgfx; ++g)
        add_block(map, g, g);
    for (int r = 0; r < GRID_H; ++r)
        for (int c = 0; c < GRID_W; ++c)
            cell(map, 0, c, r) = static_cast<short>(grid_colour(c, r));
    return map;
}

// The colour a canvas pixel must have after drawing the grid map from map pixel (mapx, mapy)
// into the window: the cell under it inside the window and the layer, untouched elsewhere.
int expected_grid_pixel(int px, int py, int mapx, int mapy, int wx, int wy, int ww, int wh)
{
    if (px < wx || px >= wx + ww || py < wy || py >= wy + wh)
        return UNTOUCHED;
    const int x = mapx + px - wx, y = mapy + py - wy;
    if (x < 0 || y < 0 || x >= GRID_W * BLOCK || y >= GRID_H * BLOCK)
        return UNTOUCHED;
    return grid_colour(x / BLOCK, y / BLOCK);
}

// Compare the whole canvas; stop at the first difference.
::testing::AssertionResult shows_grid(const Canvas &canvas, int mapx, int mapy, int wx, int wy,
                                      int ww, int wh)
{
    for (int py = 0; py < canvas.get()->h; ++py)
        for (int px = 0; px < canvas.get()->w; ++px) {
            const int expected = expected_grid_pixel(px, py, mapx, mapy, wx, wy, ww, wh);
            if (canvas.at(px, py) != expected)
                return ::testing::AssertionFailure()
                       << "pixel (" << px << ", " << py << ") is " << canvas.at(px, py)
                       << ", expected " << expected;
        }
    return ::testing::AssertionSuccess();
}

const Placement PLACEMENTS[] = {
    {"ColumnsTwoToTwentyOne", 32, 0, 0, 0, 320, 160},
    {"FirstAndLastColumnsCut", 40, 0, 0, 0, 320, 160},
    {"OddWindowAndPosition", 13, 7, 37, 21, 101, 53},
    {"MapSmallerThanWindow", 0, 0, 0, 0, 320, 240},
    {"WindowPastRightAndBottom", 300, 100, 10, 10, 300, 200},
    {"NegativeMapPosition", -24, -8, 0, 0, 320, 240},
    {"NegativeOddMapPosition", -37, -21, 11, 3, 250, 200},
    {"WindowAboveTheMap", -40, -300, 5, 5, 200, 200},
    {"WindowPartlyOffTheCanvas", 0, 0, -10, -10, 100, 100},
    {"WindowPastTheCanvasEdges", 0, 0, 250, 200, 200, 100},
    {"WindowRightOfTheCanvas", 0, 0, 400, 0, 50, 50},
    {"WindowBelowTheCanvas", 0, 0, 0, 300, 50, 50},
    {"EmptyWindow", 8, 8, 320, 240, 0, 0},
    {"NegativeWindowSize", 8, 8, 100, 100, -20, -20},
};

enum class Drawer { BG, BGT, FG, ROWS };

// Draw the window with one of the functions; MapDrawRow draws it row by row.
void draw(Drawer drawer, BITMAP *dest, const Placement &p)
{
    switch (drawer) {
    case Drawer::BG: MapDrawBG(dest, p.mapx, p.mapy, p.wx, p.wy, p.ww, p.wh); break;
    case Drawer::BGT: MapDrawBGT(dest, p.mapx, p.mapy, p.wx, p.wy, p.ww, p.wh); break;
    case Drawer::FG: MapDrawFG(dest, p.mapx, p.mapy, p.wx, p.wy, p.ww, p.wh, 0); break;
    case Drawer::ROWS:
        for (int row = -GRID_H - 20; row < GRID_H + 20; ++row)
            MapDrawRow(dest, p.mapx, p.mapy, p.wx, p.wy, p.ww, p.wh, row, nullptr);
        break;
    }
}

class GridDrawTest : public HeadlessTest,
                     public ::testing::WithParamInterface<std::tuple<Drawer, Placement>> {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        ASSERT_EQ(load(grid_map()), "");
    }
};

TEST_P(GridDrawTest, TheWindowShowsTheLayerAndNothingElseChanges)
{
    const auto [drawer, p] = GetParam();
    Canvas canvas;
    draw(drawer, canvas, p);
    EXPECT_TRUE(shows_grid(canvas, p.mapx, p.mapy, p.wx, p.wy, p.ww, p.wh));
}

TEST_P(GridDrawTest, TheCallersClipRectangleAndStateComeBack)
{
    const auto [drawer, p] = GetParam();
    Canvas canvas;
    for (int state : {TRUE, FALSE}) {
        set_clip_rect(canvas, 3, 4, 200, 150);
        set_clip_state(canvas, state);
        draw(drawer, canvas, p);
        int x1, y1, x2, y2;
        get_clip_rect(canvas, &x1, &y1, &x2, &y2);
        EXPECT_EQ(std::tie(x1, y1, x2, y2), std::make_tuple(3, 4, 200, 150));
        EXPECT_EQ(get_clip_state(canvas), state);
    }
    // The window replaces the caller's rectangle for the call: cells outside it are drawn.
    EXPECT_TRUE(shows_grid(canvas, p.mapx, p.mapy, p.wx, p.wy, p.ww, p.wh));
}

std::string placement_name(const ::testing::TestParamInfo<std::tuple<Drawer, Placement>> &info)
{
    static const char *const drawers[] = {"BG", "BGT", "FG", "Rows"};
    return std::string(drawers[static_cast<int>(std::get<0>(info.param))]) +
           std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Placements, GridDrawTest,
                         ::testing::Combine(::testing::Values(Drawer::BG, Drawer::BGT,
                                                              Drawer::FG, Drawer::ROWS),
                                            ::testing::ValuesIn(PLACEMENTS)),
                         placement_name);

TEST_F(HeadlessTest, NothingIsDrawnWithoutBlockBitmaps)
{
    ASSERT_EQ(load(grid_map()), "");
    const int saved = mapgfxinbitmaps;
    mapgfxinbitmaps = 0;
    Canvas canvas;
    for (Drawer drawer : {Drawer::BG, Drawer::BGT, Drawer::FG, Drawer::ROWS})
        draw(drawer, canvas, PLACEMENTS[0]);
    mapgfxinbitmaps = saved;
    EXPECT_EQ(canvas.changed_outside(0, 0, 0, 0), 0);
}

TEST_F(HeadlessTest, NothingIsDrawnWithoutACurrentLayer)
{
    MapFile map = grid_map();
    map.layers[1] = map.layers[0];
    map.layers[0].clear();
    ASSERT_EQ(load(map), "");
    Canvas canvas;
    for (Drawer drawer : {Drawer::BG, Drawer::BGT, Drawer::FG, Drawer::ROWS})
        draw(drawer, canvas, PLACEMENTS[0]);
    EXPECT_EQ(canvas.changed_outside(0, 0, 0, 0), 0);
}

// ---------------------------------------------------------------------------------------------
// Drawing rules of single blocks
// ---------------------------------------------------------------------------------------------

constexpr int HOLED = 1, SOLID_A = 2, SOLID_B = 3, SOLID_C = 4;
constexpr int HOLED_COLOUR = 7;
constexpr int GRAPHIC_ZERO_COLOUR = 9;

// Graphics: 0 solid colour 9, 1 left half colour 7 with a see-through right half, 2..4 solid.
// Graphic 0 stands for "no graphic" where backgrounds are see-through, whatever its pixels.
MapFile rule_map(int width = 4, int height = 1)
{
    MapFile map = solid_map(width, height, 5);
    paint(map, 0, [](int, int) { return GRAPHIC_ZERO_COLOUR; });
    paint(map, HOLED, [](int x, int) { return x < BLOCK / 2 ? HOLED_COLOUR : 0; });
    return map;
}

TEST_F(HeadlessTest, SeeThroughBackgroundsAreMaskedAndGraphicZeroSkipped)
{
    MapFile map = rule_map();
    cell(map, 0, 0, 0) = static_cast<short>(add_block(map, 0, 0, 0, 0, BLOCK_SEE_THROUGH));
    cell(map, 0, 1, 0) = static_cast<short>(add_block(map, HOLED, 0, 0, 0, BLOCK_SEE_THROUGH));
    cell(map, 0, 2, 0) = static_cast<short>(add_block(map, 0));
    cell(map, 0, 3, 0) = static_cast<short>(add_block(map, HOLED));
    ASSERT_EQ(load(map), "");
    Canvas canvas;
    MapDrawBGT(canvas, 0, 0, 0, 0, 64, 16);
    EXPECT_EQ(canvas.at(4, 4), UNTOUCHED);
    EXPECT_EQ(canvas.at(12, 4), UNTOUCHED);
    EXPECT_EQ(canvas.at(16 + 4, 4), HOLED_COLOUR);
    EXPECT_EQ(canvas.at(16 + 12, 4), UNTOUCHED);
    EXPECT_EQ(canvas.at(32 + 4, 4), GRAPHIC_ZERO_COLOUR);
    EXPECT_EQ(canvas.at(48 + 4, 4), HOLED_COLOUR);
    EXPECT_EQ(canvas.at(48 + 12, 4), 0);
}

TEST_F(HeadlessTest, OpaqueBackgroundsCopyEveryPixelOfEveryBlock)
{
    MapFile map = rule_map(2);
    cell(map, 0, 0, 0) = static_cast<short>(add_block(map, 0, 0, 0, 0, BLOCK_SEE_THROUGH));
    cell(map, 0, 1, 0) = static_cast<short>(add_block(map, HOLED, 0, 0, 0, BLOCK_SEE_THROUGH));
    ASSERT_EQ(load(map), "");
    Canvas canvas;
    MapDrawBG(canvas, 0, 0, 0, 0, 32, 16);
    EXPECT_EQ(canvas.at(4, 4), GRAPHIC_ZERO_COLOUR);
    EXPECT_EQ(canvas.at(16 + 4, 4), HOLED_COLOUR);
    EXPECT_EQ(canvas.at(16 + 12, 4), 0);
}

TEST_F(HeadlessTest, ForegroundLayersChooseTheirGraphic)
{
    MapFile map = rule_map(2);
    cell(map, 0, 0, 0) = static_cast<short>(add_block(map, SOLID_A, SOLID_A, SOLID_B, SOLID_C));
    cell(map, 0, 1, 0) = static_cast<short>(add_block(map, SOLID_A, HOLED, 0, 0));
    ASSERT_EQ(load(map), "");
    const std::pair<int, int> layer_colours[] = {
        {0, SOLID_A}, {1, SOLID_B}, {2, SOLID_C}, {3, SOLID_C}, {-1, SOLID_C}};
    for (auto [layer, colour] : layer_colours) {
        Canvas canvas;
        MapDrawFG(canvas, 0, 0, 0, 0, 32, 16, layer);
        EXPECT_EQ(canvas.at(8, 8), colour) << "layer " << layer;
        const int second = layer == 0 ? HOLED_COLOUR : UNTOUCHED;
        EXPECT_EQ(canvas.at(16 + 4, 8), second) << "layer " << layer;
        EXPECT_EQ(canvas.at(16 + 12, 8), UNTOUCHED) << "layer " << layer;
    }
}

TEST_F(HeadlessTest, AnimatedCellsDrawTheirCurrentFrame)
{
    MapFile map = rule_map(2);
    add_block(map, 0);
    const int a = add_block(map, SOLID_A, SOLID_A);
    const int b = add_block(map, SOLID_B, SOLID_B);
    ASSERT_EQ(add_animation(map, {a, b}), 1); // the last record of the chunk
    ASSERT_EQ(add_animation(map, {b}), 2);
    cell(map, 0, 0, 0) = -1;
    cell(map, 0, 1, 0) = -2;
    ASSERT_EQ(load(map), "");
    Canvas canvas;
    MapDrawBG(canvas, 0, 0, 0, 0, 32, 16);
    EXPECT_EQ(canvas.at(8, 8), SOLID_A);
    EXPECT_EQ(canvas.at(24, 8), SOLID_B);
    MapUpdateAnims();
    MapDrawBGT(canvas, 0, 0, 0, 0, 32, 16);
    EXPECT_EQ(canvas.at(8, 8), SOLID_B);
    MapUpdateAnims();
    MapDrawFG(canvas, 0, 0, 0, 0, 32, 16, 0);
    EXPECT_EQ(canvas.at(8, 8), SOLID_A);
}

// ---------------------------------------------------------------------------------------------
// Staggered walks
// ---------------------------------------------------------------------------------------------

constexpr int ISO_GAP_X = 32, ISO_GAP_Y = 16, ISO_STAGGER_X = 16, ISO_STAGGER_Y = 8;

// A staggered map whose cell (c, m) shows a graphic with two marker pixels at its top-left
// corner: colour 1 + c at (0, 0) and 1 + m at (1, 0); everything else is see-through.
MapFile marker_map(int width, int height)
{
    MapFile map = solid_map(width, height, 1 + width * height, ISO_GAP_X, ISO_GAP_Y);
    map.staggerx = ISO_STAGGER_X;
    map.staggery = ISO_STAGGER_Y;
    add_block(map, 0);
    for (int m = 0; m < height; ++m)
        for (int c = 0; c < width; ++c) {
            const int g = 1 + m * width + c;
            paint(map, g, [c, m](int x, int y) {
                if (y != 0 || x > 1)
                    return 0;
                return x == 0 ? 1 + c : 1 + m;
            });
            cell(map, 0, c, m) = static_cast<short>(add_block(map, g, g));
        }
    return map;
}

// Where the walk from map position (0, 0) into a window at (0, 0) draws cell (c, m): even rows
// start one gap up and left less the stagger, odd rows the stagger further on.
std::pair<int, int> stagger_position(int c, int m)
{
    const int x = c * ISO_GAP_X - ISO_GAP_X + ISO_STAGGER_X + (m % 2) * ISO_STAGGER_X;
    const int y = (m / 2) * ISO_GAP_Y - ISO_GAP_Y + ISO_STAGGER_Y + (m % 2) * ISO_STAGGER_Y;
    return {x, y};
}

// Every cell whose marker lies on the canvas is found there, and no other pixel changed.
void expect_markers(const Canvas &canvas, int width, int height)
{
    int markers = 0;
    for (int m = 0; m < height; ++m)
        for (int c = 0; c < width; ++c) {
            const auto [x, y] = stagger_position(c, m);
            if (x < 0 || y < 0 || x + 1 >= canvas.get()->w || y >= canvas.get()->h)
                continue;
            EXPECT_EQ(canvas.at(x, y), 1 + c) << "cell " << c << ", " << m;
            EXPECT_EQ(canvas.at(x + 1, y), 1 + m) << "cell " << c << ", " << m;
            markers += 2;
        }
    int changed = 0;
    for (int y = 0; y < canvas.get()->h; ++y)
        for (int x = 0; x < canvas.get()->w; ++x)
            changed += canvas.at(x, y) != UNTOUCHED;
    EXPECT_EQ(changed, markers);
}

class StaggeredDrawTest : public HeadlessTest, public ::testing::WithParamInterface<Drawer> {};

// Gaps 32 x 16, stagger 16 x 8, map position (0, 0): row 0 from (-16, -8), row 1 from (0, 0),
// row 2 from (-16, 8), row 3 from (0, 16); the map covers the whole window.
TEST_P(StaggeredDrawTest, RowsAlternateByTheStagger)
{
    const int width = 11, height = 32;
    ASSERT_EQ(load(marker_map(width, height)), "");
    Canvas canvas;
    draw(GetParam(), canvas, {"", 0, 0, 0, 0, 320, 240});
    expect_markers(canvas, width, height);
    EXPECT_EQ(canvas.at(0, 0), 1);     // row 1, column 0
    EXPECT_EQ(canvas.at(16, 8), 2);    // row 2, column 1
    EXPECT_EQ(canvas.at(17, 8), 3);
    EXPECT_EQ(canvas.at(304, 232), 11); // row 30, column 10
    EXPECT_EQ(canvas.at(305, 232), 31);
}

TEST_P(StaggeredDrawTest, AMapSmallerThanTheWindowDrawsOnlyItsCells)
{
    const int width = 3, height = 5;
    ASSERT_EQ(load(marker_map(width, height)), "");
    Canvas canvas;
    draw(GetParam(), canvas, {"", 0, 0, 0, 0, 320, 240});
    expect_markers(canvas, width, height);
}

INSTANTIATE_TEST_SUITE_P(Drawers, StaggeredDrawTest,
                         ::testing::Values(Drawer::BG, Drawer::BGT, Drawer::FG));

TEST_F(HeadlessTest, StaggeredBackgroundsSkipGraphicZeroAndMask)
{
    MapFile map = marker_map(2, 2);
    paint(map, 0, [](int, int) { return GRAPHIC_ZERO_COLOUR; });
    cell(map, 0, 0, 1) = 0; // drawn at (0, 0), with block 0 and graphic 0
    ASSERT_EQ(load(map), "");
    Canvas canvas;
    MapDrawBGT(canvas, 0, 0, 0, 0, 320, 240);
    // Row 0 lies above the canvas; of row 1 only the markers of cell (1, 1) change pixels.
    EXPECT_EQ(canvas.at(32, 0), 2);
    EXPECT_EQ(canvas.at(33, 0), 2);
    EXPECT_EQ(canvas.changed_outside(32, 0, 2, 1), 0);
}

// ---------------------------------------------------------------------------------------------
// Single rows
// ---------------------------------------------------------------------------------------------

struct CellCall {
    int column, row, x, y;
    bool operator==(const CellCall &o) const
    {
        return column == o.column && row == o.row && x == o.x && y == o.y;
    }
};
std::vector<CellCall> cell_calls;

void record_cell(int column, int row, int x, int y) { cell_calls.push_back({column, row, x, y}); }

class RowDrawTest : public HeadlessTest {
protected:
    void SetUp() override
    {
        HeadlessTest::SetUp();
        cell_calls.clear();
    }
};

TEST_F(RowDrawTest, TheCellFunctionSeesEveryColumnWhereItsStackStarts)
{
    ASSERT_EQ(load(grid_map()), "");
    Canvas canvas;
    MapDrawRow(canvas, 40, 16, 0, 0, 320, 160, 2, record_cell);
    ASSERT_EQ(cell_calls.size(), 21u); // columns 2 to 22, the first and last cut by the window
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(cell_calls[i], (CellCall{2 + i, 3, -8 + 16 * i, 32})) << i;
}

TEST_F(RowDrawTest, OnlyColumnsAndRowsOfTheLayerAreVisited)
{
    ASSERT_EQ(load(grid_map()), "");
    Canvas canvas;
    MapDrawRow(canvas, -24, -40, 0, 0, 420, 240, 4, record_cell);
    ASSERT_EQ(cell_calls.size(), static_cast<size_t>(GRID_W));
    EXPECT_EQ(cell_calls.front(), (CellCall{0, 2, 24, 72}));
    EXPECT_EQ(cell_calls.back(), (CellCall{GRID_W - 1, 2, 24 + 16 * (GRID_W - 1), 72}));
    cell_calls.clear();
    MapDrawRow(canvas, -24, -40, 0, 0, 320, 240, 1, record_cell); // map row -1
    MapDrawRow(canvas, 0, 16, 0, 0, 320, 240, GRID_H - 1, record_cell); // map row 10
    MapDrawRow(canvas, 0, 0, 0, 0, 320, 240, GRID_H, record_cell);
    EXPECT_TRUE(cell_calls.empty());
    EXPECT_EQ(canvas.changed_outside(24, 72, GRID_W * BLOCK, BLOCK), 0);
}

constexpr int STACK_MAP_H = 15;

// Stack colours: graphics 2 to 5 solid; graphic 1 has column x in colour 10 + x.
MapFile stack_map()
{
    MapFile map = solid_map(3, STACK_MAP_H, 6);
    paint(map, 1, [](int x, int) { return 10 + x; });
    add_block(map, 0);
    return map;
}

TEST_F(RowDrawTest, ForegroundsStackUpwardAndTheNextRecordContinuesTheStack)
{
    MapFile map = stack_map();
    const int base = add_block(map, 2, 3, 0, 4, BLOCK_STACK_NEXT);
    add_block(map, 5, 0, 2, 0, BLOCK_STACK_NEXT);
    add_block(map, 0, 0, 0, 3);
    add_block(map, 0, 4); // not reached: the record before does not continue the stack
    const int row = STACK_MAP_H - 1;
    cell(map, 0, 1, row) = static_cast<short>(base);
    ASSERT_EQ(load(map), "");
    Canvas canvas;
    MapDrawRow(canvas, 0, 0, 0, 0, 320, 240, row, nullptr);
    const int x = 16 + 8, y = row * 16 + 8;
    const int U = UNTOUCHED;
    const int expected[STACK_MAP_H] = {3, U, 4, 5, U, 2, U, U, U, U, 3, U, U, U, U};
    for (int level = 0; level < STACK_MAP_H; ++level)
        EXPECT_EQ(canvas.at(x, y - 16 * level), expected[level]) << "level " << level;
    EXPECT_EQ(canvas.changed_outside(16, 0, 16, 240), 0);
}

TEST_F(RowDrawTest, HalfFlagsCutEachRecordsGraphicsFromTheCellsLeftEdge)
{
    MapFile map = stack_map();
    const int left = add_block(map, 0, 1, 0, 0, BLOCK_LEFT_HALF | BLOCK_STACK_NEXT);
    add_block(map, 1, 0, 0, 0, BLOCK_RIGHT_HALF);
    const int both = add_block(map, 0, 1, 0, 0, BLOCK_LEFT_HALF | BLOCK_RIGHT_HALF);
    cell(map, 0, 0, 7) = static_cast<short>(left);
    cell(map, 0, 1, 7) = static_cast<short>(both);
    ASSERT_EQ(load(map), "");
    Canvas canvas;
    MapDrawRow(canvas, 0, 0, 0, 0, 320, 240, 7, nullptr);
    const int cell_y = 7 * 16, stacked_y = cell_y - 3 * 16;
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(canvas.at(x, cell_y), x < 8 ? 10 + x : UNTOUCHED) << x;
        EXPECT_EQ(canvas.at(x, stacked_y), x < 8 ? 18 + x : UNTOUCHED) << x;
        EXPECT_EQ(canvas.at(16 + x, cell_y), 10 + x) << x;
    }
}

TEST_F(RowDrawTest, AStackEndsAtTheLastBlockRecord)
{
    MapFile map = stack_map();
    const int last = add_block(map, 0, 2, 0, 0, BLOCK_STACK_NEXT);
    cell(map, 0, 0, 7) = static_cast<short>(last);
    ASSERT_EQ(load(map), "");
    Canvas canvas;
    MapDrawRow(canvas, 0, 0, 0, 0, 320, 240, 7, nullptr);
    EXPECT_EQ(canvas.at(8, 7 * 16 + 8), 2);
    EXPECT_EQ(canvas.changed_outside(0, 7 * 16, 16, 16), 0);
}

TEST_F(RowDrawTest, StaggeredRowsFollowTheWalkAndStopBeforeTheLastMapRow)
{
    const int width = 4, height = 6;
    ASSERT_EQ(load(marker_map(width, height)), "");
    Canvas canvas;
    for (int row = 0; row < height; ++row)
        MapDrawRow(canvas, 0, 0, 0, 0, 320, 240, row, record_cell);
    // Rows 0 to 4: even rows have 4 visible columns, odd rows 4 as well (x from 0).
    ASSERT_EQ(cell_calls.size(), static_cast<size_t>(5 * width));
    for (const CellCall &call : cell_calls) {
        const auto [x, y] = stagger_position(call.column, call.row);
        EXPECT_EQ(std::make_pair(call.x, call.y), std::make_pair(x, y));
        EXPECT_LT(call.row, height - 1);
    }
    EXPECT_EQ(canvas.at(16, 8), 2);
    EXPECT_EQ(canvas.at(17, 8), 3);
}

} // namespace
