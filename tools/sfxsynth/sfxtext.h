// The text of sound parameters (its form is in data/sounds/README.md): sounds by name, each one
// or more voices of a waveform, a pitch sweep, an envelope and a few effects.
#ifndef SFXTEXT_H
#define SFXTEXT_H

#include "diagnostic.h"

#include <string>
#include <vector>

enum class waveform { square, triangle, sine, noise };

// One voice: times in seconds from the voice's own start, pitches in Hz, levels 0 to 1.
struct voice_spec {
    SourcePos pos; // its "sound" or "voice" line
    waveform wave = waveform::square;
    double pitch_from = 0, pitch_to = 0; // swept from one to the other over the voice
    double duty = 0.5;                   // a square wave's high part of each period
    double start = 0;                    // after the sound's start
    double length = 0;
    double attack = 0.005, decay = 0, sustain = 1, release = 0.02;
    double volume = 0.5;
    double vibrato_rate = 0, vibrato_depth = 0; // Hz, semitones
    std::vector<double> notes;                  // semitones above the pitch, played in turn
    double note_time = 0.05;                    // seconds each note is held
    double lowpass = 0;                         // Hz; 0 leaves the voice as it is
};

struct sound_spec {
    std::string name; // also the name of its file
    SourcePos pos;
    std::vector<voice_spec> voices;
};

// Reads the sounds of a text. Every mistake goes to errors with its line and column; returns
// errors.empty(). A sound whose voices are wrong is left out of `sounds`.
bool read_sound_text(const std::string &file, const std::string &text,
                     std::vector<sound_spec> &sounds, Diagnostics &errors);

#endif
