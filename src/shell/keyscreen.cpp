// The "Redefine keys" screen: the answers as a value that each key press advances, drawn in
// the title's lettering, and the loop that polls the keyboard and the pad for them.
#include "keyscreen.h"

#include "controls.h"
#include "controlsfile.h"
#include "display.h"
#include "graphic.h"
#include "windowevents.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace {

constexpr int HEADING_X = 10, HEADING_Y = 30;
constexpr int MARKER_X = 10, NAME_X = 20, VALUE_X = 110;
constexpr int LIST_Y = 50, LIST_STEP = 14;
constexpr int QUESTION_Y = 180, NOTE_Y = 200;
// A quick tap is shorter than the title's 50 ms, and modifier keys leave nothing in the
// keyboard buffer: only a brisk look at the keys catches every press.
constexpr int POLL_MS = 10;

std::string upper_case(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string shown_name(binding b)
{
    return upper_case(binding_title(b));
}

void write_text(BITMAP *picture, const std::string &text, int x, int y)
{
    textout_ex(picture, comicf, text.c_str(), x, y, TEXT_COLOUR, TRANSPARENT_TEXT);
}

// What was down at the last look, so that only keys and buttons that go down since answer.
struct held_down {
    bool keys[KEY_MAX] = {};
    bool buttons[MAX_JOYSTICK_BUTTONS] = {};
};

// A key or button that went down since the last look (UNBOUND when none); the state of the
// other kind is followed too.
int new_press(held_down &held, bool button_wanted)
{
    int pressed = UNBOUND;
    for (int k = 1; k < KEY_MAX; ++k) {
        if (key[k] && !held.keys[k] && !button_wanted && pressed == UNBOUND)
            pressed = k;
        held.keys[k] = key[k];
    }
    const JOYSTICK_INFO *pad = first_pad();
    for (int b = 0; b < MAX_JOYSTICK_BUTTONS; ++b) {
        const bool down = pad && b < pad->num_buttons && pad->button[b].b;
        if (down && !held.buttons[b] && button_wanted && pressed == UNBOUND)
            pressed = b;
        held.buttons[b] = down;
    }
    return pressed;
}

enum class wait_end { answered, escaped, closed };

wait_end wait_for_answer(held_down &held, bool button_wanted, int &value)
{
    for (;;) {
        if (close_requested())
            return wait_end::closed;
        follow_screen_keys();
        if (key[KEY_ESC])
            return wait_end::escaped;
        value = new_press(held, button_wanted);
        if (value != UNBOUND)
            return wait_end::answered;
        rest(POLL_MS);
    }
}

} // namespace

key_choice::key_choice(const key_bindings &current, bool pad_present)
    : chosen(current), questions(pad_present ? binding_count : binding_pad_jump)
{
}

binding asked_now(const key_choice &choice)
{
    if (choice.asked < choice.questions)
        return static_cast<binding>(choice.asked);
    for (int b = 0; b < choice.questions; ++b)
        if (choice.chosen.of[b] == UNBOUND)
            return static_cast<binding>(b);
    return binding_count;
}

void answer(key_choice &choice, int value)
{
    const binding asked = asked_now(choice);
    if (asked == binding_count)
        return;
    choice.refused_key = !is_pad_binding(asked) && is_game_key(value) ? value : 0;
    if (choice.refused_key)
        return;
    for (int b = 0; b < choice.questions; ++b)
        if (is_pad_binding(static_cast<binding>(b)) == is_pad_binding(asked) &&
            choice.chosen.of[b] == value)
            choice.chosen.of[b] = UNBOUND;
    choice.chosen.of[asked] = value;
    choice.asked = std::min(choice.asked + 1, choice.questions);
}

void draw_key_choice(BITMAP *picture, const key_choice &choice)
{
    clear(picture);
    write_text(picture, "Redefine keys", HEADING_X, HEADING_Y);
    const binding asked = asked_now(choice);
    for (int b = 0; b < choice.questions; ++b) {
        const int y = LIST_Y + b * LIST_STEP;
        const auto control = static_cast<binding>(b);
        if (control == asked)
            write_text(picture, ">", MARKER_X, y);
        write_text(picture, shown_name(control), NAME_X, y);
        write_text(picture, bound_name(control, choice.chosen.of[b]), VALUE_X, y);
    }
    if (asked == binding_count)
        return;
    const char *const kind = is_pad_binding(asked) ? "a pad button" : "a key";
    write_text(picture, std::string("Press ") + kind + " for " + shown_name(asked), HEADING_X,
               QUESTION_Y);
    write_text(picture,
               choice.refused_key
                   ? std::string(key_name(choice.refused_key)) + " is one of the game's own keys."
                   : "ESC leaves the keys as they were.",
               HEADING_X, NOTE_Y);
}

key_screen_end redefine_keys(BITMAP *picture, key_bindings &keys)
{
    key_choice choice(keys, num_joysticks > 0);
    held_down held;
    new_press(held, false); // what is down now, the K that opened the screen among it
    for (binding asked = asked_now(choice); asked != binding_count; asked = asked_now(choice)) {
        draw_key_choice(picture, choice);
        present(picture);
        int value = UNBOUND;
        const wait_end end = wait_for_answer(held, is_pad_binding(asked), value);
        if (end != wait_end::answered) {
            clear_keybuf();
            return end == wait_end::closed ? key_screen_end::window_closed : key_screen_end::kept;
        }
        answer(choice, value);
    }
    clear_keybuf(); // the keys pressed here are no answer to the title
    keys = choice.chosen;
    return save_key_bindings(keys) ? key_screen_end::saved : key_screen_end::not_saved;
}
