// Words for the numbers of a block record and an animation, in one table each so that the
// compiler and the inspector cannot disagree.
#include "mapwords.h"

#include "maplib.h"
#include "wallstuff.h"

#include <array>
#include <limits>

namespace {

constexpr std::array<AttributeRange, BLOCK_ATTRIBUTES> attribute_ranges{{
    {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()},
    {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()},
    {0, std::numeric_limits<std::uint16_t>::max()},
    {0, std::numeric_limits<std::uint16_t>::max()},
    {0, std::numeric_limits<std::uint8_t>::max()},
    {0, std::numeric_limits<std::uint8_t>::max()},
    {0, std::numeric_limits<std::uint8_t>::max()},
}};

struct FlagWord {
    const char *word;
    std::uint8_t bit;
};

// Every bit of BlockStr::flags: the game's four, then the drawing code's four.
constexpr std::array<FlagWord, 8> flag_words{{
    {"solid", BLOCK_SOLID},
    {"platform", BLOCK_PLATFORM},
    {"ice", BLOCK_ICE},
    {"climbable", BLOCK_CLIMBABLE},
    {"see_through", BLOCK_SEE_THROUGH},
    {"stack_next", BLOCK_STACK_NEXT},
    {"left_half", BLOCK_LEFT_HALF},
    {"right_half", BLOCK_RIGHT_HALF},
}};

struct AnimWord {
    const char *word;
    int type;
};

constexpr std::array<AnimWord, 10> anim_words{{
    {"none", anim_none},
    {"loop_forward", anim_loop_forward},
    {"loop_reverse", anim_loop_reverse},
    {"once", anim_once},
    {"once_hold", anim_once_hold},
    {"pingpong_forward", anim_pingpong_forward},
    {"pingpong_reverse", anim_pingpong_reverse},
    {"pingpong_reverse_returning", anim_pingpong_reverse_returning},
    {"pingpong_forward_returning", anim_pingpong_forward_returning},
    {"once_finished", anim_once_finished},
}};

} // namespace

std::optional<std::uint8_t> flag_from_word(std::string_view word)
{
    for (const FlagWord &f : flag_words)
        if (word == f.word)
            return f.bit;
    return std::nullopt;
}

std::string flags_in_words(std::uint8_t flags)
{
    std::string words;
    for (const FlagWord &f : flag_words) {
        if (!(flags & f.bit))
            continue;
        if (!words.empty())
            words += ',';
        words += f.word;
    }
    return words.empty() ? "none" : words;
}

std::string flag_word_list()
{
    std::string list;
    for (const FlagWord &f : flag_words)
        list += (list.empty() ? "" : ", ") + std::string(f.word);
    return list;
}

std::string slope_in_words(std::int32_t type)
{
    switch (type) {
    case slope_none:
        return "none";
    case slope_floor_down_right:
        return "1 (floor, high on the left)";
    case slope_ceiling_left:
        return "2 (ceiling, upper-left half)";
    case slope_ceiling_right:
        return "3 (ceiling, upper-right half)";
    case slope_floor_down_left:
        return "4 (floor, high on the right)";
    case slope_full:
        return "5 (whole block)";
    default:
        return std::to_string(type) + " (no slope)";
    }
}

AttributeRange attribute_range(int attribute)
{
    return attribute_ranges[attribute - 1];
}

AttributeRange slope_range()
{
    return {slope_none, slope_full};
}

void set_attributes(MapFileBlock &block, const BlockAttributes &a)
{
    block.attr1 = static_cast<std::int32_t>(a[0]);
    block.attr2 = static_cast<std::int32_t>(a[1]);
    block.attr3 = static_cast<std::uint16_t>(a[2]);
    block.attr4 = static_cast<std::uint16_t>(a[3]);
    block.attr5 = static_cast<std::uint8_t>(a[4]);
    block.attr6 = static_cast<std::uint8_t>(a[5]);
    block.attr7 = static_cast<std::uint8_t>(a[6]);
}

std::optional<int> anim_type_from_word(std::string_view word)
{
    for (const AnimWord &a : anim_words)
        if (word == a.word)
            return a.type;
    return std::nullopt;
}

const char *anim_type_word(int type)
{
    for (const AnimWord &a : anim_words)
        if (type == a.type)
            return a.word;
    return "unknown";
}

std::string anim_type_word_list()
{
    std::string list;
    for (const AnimWord &a : anim_words)
        list += (list.empty() ? "" : ", ") + std::string(a.word);
    return list;
}
