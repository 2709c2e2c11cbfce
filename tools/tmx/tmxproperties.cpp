// Tile properties and block records, read one way and written the other with the same names.
#include "tmxproperties.h"

#include "maplib.h"
#include "mapwords.h"
#include "sourcewords.h"
#include "tmxmap.h"


namespace {

constexpr int FLAG_BITS = 8;

std::optional<bool> truth(const std::string &value)
{
    if (value == "true" || value == "1")
        return true;
    if (value == "false" || value == "0")
        return false;
    return std::nullopt;
}

// Attribute number 1 to 7 of a property name, or 0.
int attribute_of(const std::string &name)
{
    if (name == SLOPE_PROPERTY)
        return 1;
    for (int a = 1; a <= BLOCK_ATTRIBUTES; ++a)
        if (name == user_property(a))
            return a;
    return 0;
}

} // namespace

std::string user_property(int attribute)
{
    return "user" + std::to_string(attribute);
}

void TileSettings::add(const TileSettings &upper)
{
    flags_set |= upper.flags_set;
    flags_cleared |= upper.flags_cleared;
    for (int a = 0; a < BLOCK_ATTRIBUTES; ++a)
        if (!attributes[a])
            attributes[a] = upper.attributes[a];
}

void TileSettings::apply(MapFileBlock &block, bool see_through) const
{
    block.flags = flags_set;
    if (see_through && !(flags_cleared & BLOCK_SEE_THROUGH))
        block.flags |= BLOCK_SEE_THROUGH;
    BlockAttributes values{};
    for (int a = 0; a < BLOCK_ATTRIBUTES; ++a)
        values[a] = attributes[a].value_or(0);
    set_attributes(block, values);
}

bool read_tile_settings(const std::vector<TmxProperty> &properties, TileSettings &settings,
                        std::vector<std::string> &unknown, Diagnostics &errors)
{
    bool ok = true;
    auto error = [&](const TmxProperty &p, const std::string &message) {
        errors.error(p.place.file, p.place.pos, "tile property \"" + p.name + "\": " + message);
        ok = false;
    };
    for (const TmxProperty &p : properties) {
        if (const std::optional<std::uint8_t> bit = flag_from_word(p.name)) {
            const std::optional<bool> on = truth(p.value);
            if (!on)
                error(p, "\"" + p.value + "\" is neither true nor false");
            else
                (*on ? settings.flags_set : settings.flags_cleared) |= *bit;
            continue;
        }
        const int attribute = attribute_of(p.name);
        if (attribute == 0) {
            unknown.push_back(p.name);
            continue;
        }
        const AttributeRange range =
            p.name == SLOPE_PROPERTY ? slope_range() : attribute_range(attribute);
        const std::optional<long long> number = whole_number(p.value, range.low, range.high);
        std::optional<std::int64_t> &slot = settings.attributes[attribute - 1];
        if (!number)
            error(p, "\"" + p.value + "\" is not a whole number from " + std::to_string(range.low) +
                         " to " + std::to_string(range.high));
        else if (slot && *slot != *number)
            error(p, std::string(SLOPE_PROPERTY) + " and " + user_property(1) +
                         " are the same attribute and differ here");
        else
            slot = number;
    }
    return ok;
}

std::vector<PropertyText> block_properties(std::uint8_t flags, const BlockAttributes &attributes,
                                           bool see_through)
{
    std::vector<PropertyText> out;
    for (int bit = 0; bit < FLAG_BITS; ++bit) {
        const auto flag = static_cast<std::uint8_t>(1 << bit);
        const bool on = flags & flag;
        const bool automatic = flag == BLOCK_SEE_THROUGH && see_through;
        if (on != automatic)
            out.push_back({flags_in_words(flag), "bool", on ? "true" : "false"});
    }
    for (int a = 1; a <= BLOCK_ATTRIBUTES; ++a) {
        const std::int64_t value = attributes[a - 1];
        if (value == 0)
            continue;
        const bool slope = a == 1 && value >= slope_range().low && value <= slope_range().high;
        out.push_back({slope ? SLOPE_PROPERTY : user_property(a), "int", std::to_string(value)});
    }
    return out;
}
