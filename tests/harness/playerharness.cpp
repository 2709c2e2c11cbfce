// A headless player simulation: text pictures turned into loaded maps through the map writer,
// and an attempt driven through the level loop's own pass and tick, with a record of each tick.
#include "playerharness.h"

#include "testmaps.h"
#include "wallstuff.h"

#include <algorithm>
#include <stdexcept>

namespace harness {

namespace {

struct block_kind {
    char symbol;
    unsigned flags;
    int slope;
};

// One block record and one graphic per kind, in this order; the first is the empty block.
constexpr int UNKNOWN_SLOPE = 7;
const block_kind KINDS[] = {
    {'.', 0, slope_none},
    {'#', BLOCK_SOLID, slope_none},
    {'=', BLOCK_PLATFORM, slope_none},
    {'~', BLOCK_SOLID | BLOCK_ICE, slope_none},
    {'H', BLOCK_CLIMBABLE, slope_none},
    {'T', BLOCK_CLIMBABLE | BLOCK_PLATFORM, slope_none},
    {'1', 0, slope_floor_down_right},
    {'2', 0, slope_ceiling_left},
    {'3', 0, slope_ceiling_right},
    {'4', 0, slope_floor_down_left},
    {'5', 0, slope_full},
    {'7', 0, UNKNOWN_SLOPE},
};
constexpr int KIND_COUNT = sizeof KINDS / sizeof KINDS[0];

constexpr int GREY_STEP = 20; // palette colour k + 1 is a grey of brightness GREY_STEP * k

int kind_of(char symbol)
{
    for (int k = 0; k < KIND_COUNT; ++k)
        if (KINDS[k].symbol == symbol)
            return k;
    return -1;
}

// Each kind's graphic is filled with its own palette colour, so a drawn picture shows the map.
void add_graphics(MapFile &map)
{
    map.cmap = testmaps::black_cmap();
    for (int k = 0; k < KIND_COUNT; ++k) {
        testmaps::add_solid_graphic(map, k + 1);
        std::fill_n(map.cmap.begin() + 3 * (k + 1), 3, static_cast<unsigned char>(GREY_STEP * k));
    }
}

// Her state after every tick; once out of the map she stays out.
class tick_logger final : public tick_watcher {
public:
    explicit tick_logger(std::vector<tick_state> &log) : log_(log) {}

    void after_tick(const girl_character &, const attempt &now) override
    {
        const girl_character &g = now.girl;
        log_.push_back({static_cast<long>(log_.size()) + 1, g.status, g.x, g.y, g.xv, g.yv,
                        g.facing_left, g.timer, g.frame, now.result == level_died});
    }

private:
    std::vector<tick_state> &log_;
};

} // namespace

bool picture_to_map(const std::vector<std::string> &rows, MapFile &map)
{
    if (rows.empty() || rows[0].empty())
        return false;
    const std::size_t width = rows[0].size();
    std::vector<short> cells;
    for (const std::string &row : rows) {
        if (row.size() != width)
            return false;
        for (char symbol : row) {
            const int kind = kind_of(symbol);
            if (kind < 0)
                return false;
            cells.push_back(static_cast<short>(kind));
        }
    }
    MapFile made;
    made.width = static_cast<int>(width);
    made.height = static_cast<int>(rows.size());
    made.blockwidth = made.blockheight = PICTURE_BLOCK;
    made.gapx = made.gapy = PICTURE_BLOCK;
    made.depth = 8;
    for (int k = 0; k < KIND_COUNT; ++k) {
        const int block =
            testmaps::add_block(made, k, 0, 0, 0, static_cast<std::uint8_t>(KINDS[k].flags));
        made.blocks[block].attr1 = KINDS[k].slope;
    }
    add_graphics(made);
    made.layers[0] = std::move(cells);
    map = std::move(made);
    return true;
}

int load_picture(const std::vector<std::string> &rows)
{
    MapFile map;
    if (!picture_to_map(rows, map))
        return -1;
    if (!testmaps::load(map).empty())
        return -1;
    return MapGenerateYLookup();
}

control_state parse_keys(const std::string &keys)
{
    control_state c;
    for (char key : keys) {
        switch (key) {
        case 'L': c.left = true; break;
        case 'R': c.right = true; break;
        case 'U': c.up = true; break;
        case 'D': c.down = true; break;
        case 'J': c.jump = true; break;
        case 'A': c.run = true; break;
        case 'S': c.spare = true; break;
        case '-': break;
        default: throw std::invalid_argument("unknown control letter in \"" + keys + "\"");
        }
    }
    return c;
}

player_sim::player_sim(int x, int y) : play(map_point{x, y}) {}

void player_sim::pass(const control_state &c, int ticks)
{
    tick_logger logger(log);
    advance(play, c, ticks, &logger);
    if (!passes.empty() && continues(passes.back(), c, ticks))
        ++passes.back().count;
    else
        passes.push_back({c, ticks, 1});
    died = play.result == level_died;
}

void player_sim::pass(const std::string &keys, int ticks)
{
    pass(parse_keys(keys), ticks);
}

bool player_sim::run(const std::vector<step> &script, int ticks_per_pass)
{
    const int batch = std::max(ticks_per_pass, 1);
    for (const step &s : script) {
        const control_state c = parse_keys(s.keys);
        for (int done = 0; done < s.ticks && !died; done += batch)
            pass(c, std::min(batch, s.ticks - done));
        if (died)
            break;
    }
    return died;
}

bool player_sim::run_until(const std::string &keys, int status, int max_ticks)
{
    const control_state c = parse_keys(keys);
    for (int tick = 0; tick < max_ticks; ++tick) {
        pass(c);
        if (play.girl.status == status)
            return true;
    }
    return false;
}

const tick_state *player_sim::last() const
{
    return log.empty() ? nullptr : &log.back();
}

} // namespace harness
