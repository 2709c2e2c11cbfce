// Words for the numbers of a block record and an animation: flag names, slope types and
// animation types, shared by the level compiler (words to numbers) and the inspector (back).
#ifndef MAPWORDS_H
#define MAPWORDS_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The flag bit with this name ("solid", "see_through", ...), if there is one.
std::optional<std::uint8_t> flag_from_word(std::string_view word);
// All set flags by name, separated by commas; "none" for no flags.
std::string flags_in_words(std::uint8_t flags);
// The words accepted by flag_from_word, for messages.
std::string flag_word_list();

// What a slope type (attr1) means to the game, e.g. "floor high on the left".
std::string slope_in_words(std::int32_t type);

// The animation type with this name ("loop_forward", ...), if there is one.
std::optional<int> anim_type_from_word(std::string_view word);
// Name of an animation type, or "unknown".
const char *anim_type_word(int type);
// The words accepted by anim_type_from_word, for messages.
std::string anim_type_word_list();

#endif
