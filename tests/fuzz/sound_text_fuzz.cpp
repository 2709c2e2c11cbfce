// Fuzz target sound_text: arbitrary text as the synthesizer's text of sounds. Every sound it
// accepts and makes must be a file the game's reader takes, of as many samples as were made.
#include "fuzz_target.h"
#include "sfxrender.h"
#include "sfxtext.h"
#include "soundfile.h"

#include <cstdlib>
#include <string>
#include <vector>

int fuzz_sound_text(const std::uint8_t *data, std::size_t size)
{
    std::vector<sound_spec> sounds;
    std::vector<rendered_sound> rendered;
    Diagnostics errors;
    if (!read_sound_text("fuzz.txt", std::string(data, data + size), sounds, errors))
        return 0;
    if (!render_sounds("fuzz.txt", sounds, rendered, errors))
        return 0;
    for (const rendered_sound &r : rendered) {
        const std::vector<std::uint8_t> file = wav_bytes(r.samples, SOUND_RATE);
        wav_sound sound;
        if (!read_wav(file.data(), file.size(), sound).empty() || sound.frames != r.samples.size())
            std::abort(); // the synthesizer made a file the game refuses
    }
    return 0;
}

ORVIA_FUZZ_TARGET("sound_text", fuzz_sound_text)
