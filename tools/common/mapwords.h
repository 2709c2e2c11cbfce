// Words for the numbers of a block record and an animation: flag names, slope types and
// animation types, shared by the level compiler (words to numbers) and the inspector (back).
#ifndef MAPWORDS_H
#define MAPWORDS_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct MapFileBlock;

// The flag bit with this name ("solid", "see_through", ...), if there is one.
std::optional<std::uint8_t> flag_from_word(std::string_view word);
// All set flags by name, separated by commas; "none" for no flags.
std::string flags_in_words(std::uint8_t flags);
// The words accepted by flag_from_word, for messages.
std::string flag_word_list();

// A block record's seven user attributes, attr1 to attr7 as whole numbers. Attribute 1 is also
// the game's slope type.
constexpr int BLOCK_ATTRIBUTES = 7;
using BlockAttributes = std::array<std::int64_t, BLOCK_ATTRIBUTES>;

struct AttributeRange {
    std::int64_t low, high;
};
// What attribute 1 to 7 holds: 1 and 2 are signed 32-bit fields, 3 and 4 unsigned 16-bit,
// 5 to 7 unsigned 8-bit.
AttributeRange attribute_range(int attribute);
// The slope types the game knows, "none" to "whole block".
AttributeRange slope_range();

// The attributes of any record with the fields attr1 to attr7 (a file's or a loaded map's).
template <typename Record>
BlockAttributes attributes_of(const Record &r)
{
    return {r.attr1, r.attr2, r.attr3, r.attr4, r.attr5, r.attr6, r.attr7};
}
// Store attributes that lie within their ranges into a file's block record.
void set_attributes(MapFileBlock &block, const BlockAttributes &attributes);

// What a slope type (attr1) means to the game, e.g. "floor high on the left".
std::string slope_in_words(std::int32_t type);

// The animation type with this name ("loop_forward", ...), if there is one.
std::optional<int> anim_type_from_word(std::string_view word);
// Name of an animation type, or "unknown".
const char *anim_type_word(int type);
// The words accepted by anim_type_from_word, for messages.
std::string anim_type_word_list();

#endif
