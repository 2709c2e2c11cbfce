// Fuzz target controls: arbitrary text as the player's controls file. Whatever it holds, the
// keys read leave no control without a key, share none, take none of the game's own, and are
// written back as a file that reads as the same keys without a problem.
#include "fuzz_target.h"
#include "keymap.h"

#include <cstdlib>
#include <string_view>

namespace {

bool sound(const key_bindings &keys)
{
    for (int b = 0; b < binding_count; ++b) {
        const auto control = static_cast<binding>(b);
        const int value = keys.of[b];
        if (is_pad_binding(control) ? value < 0 : *key_name(value) == '\0' || is_game_key(value))
            return false;
        for (int other = b + 1; other < binding_count; ++other)
            if (is_pad_binding(static_cast<binding>(other)) == is_pad_binding(control) &&
                keys.of[other] == value)
                return false;
    }
    return true;
}

} // namespace

int fuzz_controls(const std::uint8_t *data, std::size_t size)
{
    const controls_reading read =
        parse_controls(std::string_view(reinterpret_cast<const char *>(data), size));
    const controls_reading again = parse_controls(controls_text(read.keys));
    if (!sound(read.keys) || again.keys != read.keys || !again.problems.empty())
        std::abort();
    return 0;
}

ORVIA_FUZZ_TARGET("controls", fuzz_controls)
