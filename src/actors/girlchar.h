// The girl the player steers: her statuses, control latch, terrain sensing, actions and the
// per-tick state machine.
#ifndef GIRLCHAR_H
#define GIRLCHAR_H

#include "gamechar.h"

// The girl's statuses; each is also the animation number her picture is chosen by.
enum girl_status {
    status_stand = 0,
    status_walk = 1,
    status_run = 2,
    status_jump = 3,
    status_run_jump = 4,
    status_fall = 5,
    status_run_fall = 6,
    status_hang = 7,
    status_hang_climb = 8,
    status_climb = 9,
};

// The status in a word or two, for messages about her: "stand", "run jump".
const char *status_name(int status);

// Her animation cycles: `frame` counts through 0 .. length - 1, one step a tick, then again.
constexpr long WALK_FRAMES = 12;
constexpr long RUN_FRAMES = 24;
constexpr long CLIMB_FRAMES = 16; // one step a tick while she moves

// Directions of climbing.
enum climb_dir {
    dir_none = 0,
    dir_up = 1,
    dir_down = 2,
    dir_left = 3,
    dir_right = 4,
};

class girl_character : public game_character {
public:
    girl_character();

    void move() override;
    void draw(BITMAP *bmp, int xoff, int yoff) override;

    void set_status(int s);
    // Latch the controls of one pass of the level loop; a jump press is accepted once per
    // press and waits until a status rule uses it or the control is released.
    void set_control(bool left, bool right, bool up, bool down, bool jump, bool run,
                     bool spare);

    // Terrain sensing.
    bool in_air() const;    // jumping or falling: statuses 3 to 6
    bool on_ground() const; // standing, walking or running: statuses 0 to 2
    bool on_ice() const;
    void add_slope();
    bool off_screen();
    bool can_grab(bool left);
    bool can_climb(int dir);

    // Actions: each may enter its status (start) and sets velocity and counters.
    void a_walk(bool left, bool start);
    void a_run(bool left, bool start);
    void a_stand(bool start);
    void a_fall(bool start, bool running);
    void a_jump(bool start, bool held, bool running);
    void a_air_control(bool left, bool right, bool running);
    void a_hang(bool left, bool start);
    void a_hang_climb(bool left, bool start);
    void a_climb(int dir, bool start);

    int status;
    bool facing_left;
    int timer;
    long frame;
    bool btn_left, btn_right, btn_up, btn_down, btn_run;
    bool jump_held;
    bool btn_spare;
    bool jump_ready;
    bool jump_pending;
    bool grab_ready;
};

#endif
