// The player's keys and pad buttons: the table of controls with their defaults, the key names,
// the game's own keys, and the controls file read line by line in the library's configuration
// format ([section] lines, name = value entries, # comments) and written back.
#include "keymap.h"

#include "diagnostic.h"
#include "sourcewords.h"

#include <allegro.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr const char *KEYS_SECTION = "keys";
constexpr const char *PAD_SECTION = "pad";

struct binding_entry {
    const char *section;
    const char *name;
    int standard; // today's key or button
};

constexpr binding_entry BINDINGS[binding_count] = {
    {KEYS_SECTION, "left", KEY_LEFT}, {KEYS_SECTION, "right", KEY_RIGHT},
    {KEYS_SECTION, "up", KEY_UP},     {KEYS_SECTION, "down", KEY_DOWN},
    {KEYS_SECTION, "jump", KEY_LCONTROL}, // left Ctrl only
    {KEYS_SECTION, "run", KEY_ALT},       // left Alt only
    {PAD_SECTION, "jump", 0},             // A, or the cross
    {PAD_SECTION, "run", 1},              // B, or the circle
};

struct named_key {
    int scancode;
    const char *name;
};

#define NAMED(k) {KEY_##k, #k}
constexpr named_key KEY_NAMES[] = {
    NAMED(A), NAMED(B), NAMED(C), NAMED(D), NAMED(E), NAMED(F), NAMED(G), NAMED(H), NAMED(I),
    NAMED(J), NAMED(K), NAMED(L), NAMED(M), NAMED(N), NAMED(O), NAMED(P), NAMED(Q), NAMED(R),
    NAMED(S), NAMED(T), NAMED(U), NAMED(V), NAMED(W), NAMED(X), NAMED(Y), NAMED(Z),
    NAMED(0), NAMED(1), NAMED(2), NAMED(3), NAMED(4), NAMED(5), NAMED(6), NAMED(7), NAMED(8),
    NAMED(9), NAMED(0_PAD), NAMED(1_PAD), NAMED(2_PAD), NAMED(3_PAD), NAMED(4_PAD),
    NAMED(5_PAD), NAMED(6_PAD), NAMED(7_PAD), NAMED(8_PAD), NAMED(9_PAD),
    NAMED(F1), NAMED(F2), NAMED(F3), NAMED(F4), NAMED(F5), NAMED(F6), NAMED(F7), NAMED(F8),
    NAMED(F9), NAMED(F10), NAMED(F11), NAMED(F12), NAMED(ESC), NAMED(TILDE), NAMED(MINUS),
    NAMED(EQUALS), NAMED(BACKSPACE), NAMED(TAB), NAMED(OPENBRACE), NAMED(CLOSEBRACE),
    NAMED(ENTER), NAMED(COLON), NAMED(QUOTE), NAMED(BACKSLASH), NAMED(BACKSLASH2),
    NAMED(COMMA), NAMED(STOP), NAMED(SLASH), NAMED(SPACE), NAMED(INSERT), NAMED(DEL),
    NAMED(HOME), NAMED(END), NAMED(PGUP), NAMED(PGDN), NAMED(LEFT), NAMED(RIGHT), NAMED(UP),
    NAMED(DOWN), NAMED(SLASH_PAD), NAMED(ASTERISK), NAMED(MINUS_PAD), NAMED(PLUS_PAD),
    NAMED(DEL_PAD), NAMED(ENTER_PAD), NAMED(PRTSCR), NAMED(PAUSE), NAMED(ABNT_C1), NAMED(YEN),
    NAMED(KANA), NAMED(CONVERT), NAMED(NOCONVERT), NAMED(AT), NAMED(CIRCUMFLEX),
    NAMED(COLON2), NAMED(KANJI), NAMED(EQUALS_PAD), NAMED(BACKQUOTE), NAMED(SEMICOLON),
    NAMED(COMMAND), NAMED(UNKNOWN1), NAMED(UNKNOWN2), NAMED(UNKNOWN3), NAMED(UNKNOWN4),
    NAMED(UNKNOWN5), NAMED(UNKNOWN6), NAMED(UNKNOWN7), NAMED(UNKNOWN8), NAMED(LSHIFT),
    NAMED(RSHIFT), NAMED(LCONTROL), NAMED(RCONTROL), NAMED(ALT), NAMED(ALTGR), NAMED(LWIN),
    NAMED(RWIN), NAMED(MENU), NAMED(SCRLOCK), NAMED(NUMLOCK), NAMED(CAPSLOCK),
};
#undef NAMED

constexpr int GAME_KEYS[] = {KEY_ESC, KEY_S, KEY_P, KEY_M, KEY_ENTER, KEY_K, KEY_Y, KEY_N};

constexpr int PAD_BUTTONS = MAX_JOYSTICK_BUTTONS;

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool is_word(std::string_view text)
{
    return !text.empty() && std::none_of(text.begin(), text.end(), is_blank);
}

std::string thing_bound(binding b, int value)
{
    return is_pad_binding(b) ? "button " + bound_name(b, value) : bound_name(b, value);
}

std::string keeps_default(binding b)
{
    return "; " + binding_title(b) + " keeps " + bound_name(b, BINDINGS[b].standard);
}

std::string game_key_names()
{
    std::string names;
    for (const int k : GAME_KEYS)
        names += (names.empty() ? "" : ", ") + std::string(key_name(k));
    return names;
}

std::string section_controls(const char *section)
{
    std::string names;
    for (const binding_entry &entry : BINDINGS)
        if (entry.section == section)
            names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return names;
}

enum class section { none, keys, pad, unread };

struct entry {
    binding control;
    int value;
    int line;
};

// What the reading has found so far.
struct reading {
    section in = section::none;
    std::vector<entry> entries; // at most one for each control
    std::vector<controls_problem> problems;

    // The text may quote the file: it is made printable here, whole.
    void problem(int line, const std::string &text)
    {
        problems.push_back({line, printable(text)});
    }
    const entry *entry_for(binding b) const
    {
        for (const entry &e : entries)
            if (e.control == b)
                return &e;
        return nullptr;
    }
};

void read_section(reading &r, std::string_view line, int number)
{
    const std::string_view name = line.substr(1, line.size() - 1 - (line.back() == ']'));
    r.in = section::unread;
    if (line.back() != ']' || !is_word(name))
        r.problem(number, quoted_excerpt(line) +
                              " is not a [section] line; the entries under it are not read");
    else if (same_ignoring_case(name, KEYS_SECTION))
        r.in = section::keys;
    else if (same_ignoring_case(name, PAD_SECTION))
        r.in = section::pad;
    else
        r.problem(number, "unknown section [" + excerpt(name) +
                              "] (there are [keys] and [pad]); its entries are not read");
}

// The scancode or button number of a good value, or UNBOUND after saying what is wrong.
int value_of(reading &r, binding b, std::string_view value, int number)
{
    if (is_pad_binding(b)) {
        if (const std::optional<long long> button = whole_number(value, 0, PAD_BUTTONS - 1))
            return static_cast<int>(*button);
        r.problem(number, "bad button number " + quoted_excerpt(value) + " for " +
                              binding_title(b) + " (0 to " + std::to_string(PAD_BUTTONS - 1) +
                              ")" + keeps_default(b));
        return UNBOUND;
    }
    const int scancode = key_by_name(value);
    if (scancode == 0)
        r.problem(number, "unknown key " + quoted_excerpt(value) + " for " + binding_title(b) +
                              keeps_default(b));
    else if (is_game_key(scancode))
        r.problem(number, std::string(key_name(scancode)) + " is one of the game's own keys (" +
                              game_key_names() + ")" + keeps_default(b));
    else
        return scancode;
    return UNBOUND;
}

void read_entry(reading &r, std::string_view name, std::string_view value, int number)
{
    if (r.in == section::unread)
        return;
    if (r.in == section::none) {
        r.problem(number, "an entry outside the [keys] and [pad] sections");
        return;
    }
    const char *const in = r.in == section::keys ? KEYS_SECTION : PAD_SECTION;
    int b = 0;
    while (b < binding_count &&
           !(BINDINGS[b].section == in && same_ignoring_case(name, BINDINGS[b].name)))
        ++b;
    if (b == binding_count) {
        r.problem(number, "unknown control " + quoted_excerpt(name) + " in [" + in +
                              "] (there are " + section_controls(in) + ")");
        return;
    }
    const binding control = static_cast<binding>(b);
    const int chosen = value_of(r, control, value, number);
    if (chosen == UNBOUND)
        return;
    if (const entry *first = r.entry_for(control))
        r.problem(number, binding_title(control) + " is given twice; line " +
                              std::to_string(first->line) + " stands");
    else
        r.entries.push_back({control, chosen, number});
}

void read_line(reading &r, std::string_view line, int number)
{
    line = trimmed(line.substr(0, line.find('#')));
    if (line.empty())
        return;
    if (line.front() == '[') {
        read_section(r, line, number);
        return;
    }
    const std::size_t equals = line.find('=');
    const std::string_view name = trimmed(line.substr(0, equals));
    if (equals == std::string_view::npos || !is_word(name)) {
        r.problem(number,
                  quoted_excerpt(line) + " is neither a [section] line nor a name = value entry");
        return;
    }
    const std::string_view value = trimmed(line.substr(equals + 1));
    read_entry(r, name, value, number);
}

key_bindings with_entries(const std::vector<entry> &entries)
{
    key_bindings keys;
    for (const entry &e : entries)
        keys.of[e.control] = e.value;
    return keys;
}

// Whether control b has the value of entry e, of the same kind, and keeps it: by default, or
// from an earlier line.
bool holds_first(const reading &r, const key_bindings &keys, binding b, const entry &e)
{
    if (b == e.control || is_pad_binding(b) != is_pad_binding(e.control) || keys.of[b] != e.value)
        return false;
    const entry *own = r.entry_for(b);
    return !own || own->line < e.line;
}

// An entry whose key or button another control keeps, with that control in `holder`; nullptr
// when no two controls share one.
const entry *losing_entry(const reading &r, const key_bindings &keys, binding &holder)
{
    for (const entry &e : r.entries)
        for (int b = 0; b < binding_count; ++b)
            if (holds_first(r, keys, static_cast<binding>(b), e)) {
                holder = static_cast<binding>(b);
                return &e;
            }
    return nullptr;
}

// A dropped entry gives its control back its default, which may then be what an earlier entry
// took: each round drops one entry until no two controls share a key.
key_bindings without_shared_keys(reading &r)
{
    for (;;) {
        const key_bindings keys = with_entries(r.entries);
        binding holder = binding_count;
        const entry *loser = losing_entry(r, keys, holder);
        if (!loser)
            return keys;
        const entry *held = r.entry_for(holder);
        r.problem(loser->line, thing_bound(loser->control, loser->value) + " is already " +
                                   binding_title(holder) + "'s (" +
                                   (held ? "line " + std::to_string(held->line) : "by default") +
                                   ")" + keeps_default(loser->control));
        r.entries.erase(r.entries.begin() + (loser - r.entries.data()));
    }
}

} // namespace

key_bindings::key_bindings()
{
    for (int b = 0; b < binding_count; ++b)
        of[b] = BINDINGS[b].standard;
}

std::string binding_title(binding b)
{
    return is_pad_binding(b) ? std::string(PAD_SECTION) + " " + BINDINGS[b].name
                             : BINDINGS[b].name;
}

bool is_pad_binding(binding b)
{
    return BINDINGS[b].section == PAD_SECTION;
}

std::string bound_name(binding b, int value)
{
    if (value == UNBOUND)
        return "-";
    return is_pad_binding(b) ? std::to_string(value) : key_name(value);
}

const char *key_name(int scancode)
{
    for (const named_key &k : KEY_NAMES)
        if (k.scancode == scancode)
            return k.name;
    return "";
}

int key_by_name(std::string_view name)
{
    for (const named_key &k : KEY_NAMES)
        if (same_ignoring_case(name, k.name))
            return k.scancode;
    return 0;
}

bool is_game_key(int scancode)
{
    return std::find(std::begin(GAME_KEYS), std::end(GAME_KEYS), scancode) != std::end(GAME_KEYS);
}

controls_reading parse_controls(std::string_view text)
{
    reading r;
    for_each_line(std::string(text),
                  [&r](const std::string &line, int number) { read_line(r, line, number); });
    controls_reading result{without_shared_keys(r), std::move(r.problems)};
    std::stable_sort(result.problems.begin(), result.problems.end(),
                     [](const controls_problem &a, const controls_problem &b) {
                         return a.line < b.line;
                     });
    return result;
}

std::string controls_text(const key_bindings &keys)
{
    std::string text = "# The keys orvia plays with, chosen on its \"Redefine keys\" screen (K at "
                       "the title).\n";
    const char *section = nullptr;
    for (int b = 0; b < binding_count; ++b) {
        if (BINDINGS[b].section != section) {
            section = BINDINGS[b].section;
            text += std::string(b == 0 ? "" : "\n") + "[" + section + "]\n";
        }
        text += std::string(BINDINGS[b].name) + " = " +
                bound_name(static_cast<binding>(b), keys.of[b]) + "\n";
    }
    return text;
}
