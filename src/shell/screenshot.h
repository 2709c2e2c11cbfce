// Screenshots of one attempt: "s%04d.bmp" in the current folder, numbered from 0, one per
// press of S, never over or through anything that already has the name.
#ifndef SCREENSHOT_H
#define SCREENSHOT_H

#include "controls.h"

#include <allegro.h>

#include <string>

class screenshot_taker {
public:
    // Saves the picture with the game's palette when S has been pressed since the last shot.
    void take_if_pressed(BITMAP *bmp);

private:
    void save(BITMAP *bmp);

    int number = 0;
    press s_key;
};

#endif
