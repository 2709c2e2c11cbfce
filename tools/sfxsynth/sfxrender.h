// Sounds made from their parameters: each voice an oscillator under its envelope, the voices
// added, the sum in 16-bit samples at the game's sound rate. The same parameters always give
// the same samples: the noise comes from a generator started afresh for every voice.
#ifndef SFXRENDER_H
#define SFXRENDER_H

#include "sfxtext.h"

#include <cstdint>
#include <vector>

struct rendered_sound {
    std::vector<std::int16_t> samples;
    double peak; // the highest level the voices reach together; 1 is full scale
};

rendered_sound render_sound(const sound_spec &sound);

// Every sound; a sound whose voices together pass full scale would clip, and is reported at
// its "sound" line instead.
bool render_sounds(const std::string &file, const std::vector<sound_spec> &sounds,
                   std::vector<rendered_sound> &rendered, Diagnostics &errors);

#endif
