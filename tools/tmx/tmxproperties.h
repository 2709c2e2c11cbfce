// Tile properties that fill a block record, read on import and written on export: the flags
// by the level source's names ("solid", "platform", ...), "slope" and "user1" to "user7".
#ifndef TMXPROPERTIES_H
#define TMXPROPERTIES_H

#include "diagnostic.h"
#include "mapwords.h"
#include "tick.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct MapFileBlock;
struct TmxProperty;

// Block animations step once per game tick; a Tiled frame lasts a whole number of steps.
constexpr int ANIMATION_STEP_MS = TICK_MS;
constexpr const char *SLOPE_PROPERTY = "slope"; // another name for user1, as in level sources

// "user1" to "user7" for attributes 1 to 7.
std::string user_property(int attribute);

// What one tile's properties (or several tiles' together) say about a block record. Flags can
// be set or explicitly cleared; an attribute is set or left alone.
struct TileSettings {
    std::uint8_t flags_set = 0, flags_cleared = 0;
    std::array<std::optional<std::int64_t>, BLOCK_ATTRIBUTES> attributes;

    // Flags are combined; an attribute keeps the value already here (the lower layer's).
    void add(const TileSettings &upper);
    // Fill a block record's flags and attributes; `see_through` is the flag's value when no
    // property decides it.
    void apply(MapFileBlock &block, bool see_through) const;
};

// Read one tile's properties. A bad value (a flag that is not true or false, a number out of
// its field's range, slope and user1 both set) is an error naming the property; names that
// are none of ours are added to `unknown`.
bool read_tile_settings(const std::vector<TmxProperty> &properties, TileSettings &settings,
                        std::vector<std::string> &unknown, Diagnostics &errors);

// The properties that give a block record its flags and attributes on import, apart from the
// see-through flag when it equals `see_through`: (name, type, value) triples.
struct PropertyText {
    std::string name, type, value;
};
std::vector<PropertyText> block_properties(std::uint8_t flags, const BlockAttributes &attributes,
                                           bool see_through);

// The same for any record with the fields attr1 to attr7 and flags.
template <typename Record>
std::vector<PropertyText> record_properties(const Record &r, bool see_through)
{
    return block_properties(r.flags, attributes_of(r), see_through);
}

#endif
