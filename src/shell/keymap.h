// The keys and pad buttons the player has chosen for the controls, their names, the keys the
// game keeps for itself, and the controls file's text: read strictly, written whole.
#ifndef KEYMAP_H
#define KEYMAP_H

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The controls a player may put on other keys or buttons: six keys, then two pad buttons.
enum binding {
    binding_left,
    binding_right,
    binding_up,
    binding_down,
    binding_jump,
    binding_run,
    binding_pad_jump,
    binding_pad_run,
    binding_count
};

// A control without a key or button, on its way through the "Redefine keys" screen only.
constexpr int UNBOUND = -1;

// A scancode for each keyboard control and a button number for each pad control. A new value
// holds today's keys: the arrows, left Ctrl jumps, left Alt runs; buttons 0 and 1.
struct key_bindings {
    key_bindings();
    bool operator==(const key_bindings &other) const { return of == other.of; }
    bool operator!=(const key_bindings &other) const { return of != other.of; }

    std::array<int, binding_count> of;
};

// The control as messages and the screen name it: "left", ..., "pad jump", "pad run"; the
// file names the pad's two "jump" and "run" in their own section.
std::string binding_title(binding b);
bool is_pad_binding(binding b);
// The key's name or the button's number, as the file and the screen show it; "-" unbound.
std::string bound_name(binding b, int value);

// The names are those of the library's KEY_ constants without the prefix: "A", "LCONTROL",
// "0_PAD". key_name gives "" for a scancode without one; key_by_name, which ignores case,
// gives 0 for a name that is no key's.
const char *key_name(int scancode);
int key_by_name(std::string_view name);

// The keys that keep their meaning whatever the controls: ESC, S, P, M, Enter (with Alt), K at
// the title, and 'y' and 'n', which a held control key would type into the retry question.
bool is_game_key(int scancode);

// One bad entry of a controls file: its line and what is wrong, printable.
struct controls_problem {
    int line;
    std::string text;
};

struct controls_reading {
    key_bindings keys;
    std::vector<controls_problem> problems; // in line order
};

// The controls in the text of a controls file. A missing entry, and every bad one, leaves its
// control as it is by default; each bad entry is one problem. A key or button that two
// controls would share stays with the one that has it by default, else with the earlier line.
controls_reading parse_controls(std::string_view text);
// The text of a controls file that parse_controls reads back as `keys`, with a comment on top.
std::string controls_text(const key_bindings &keys);


#endif
