// Sound: the cues' samples, the library's digital sound, and the ALSA library kept from writing
// its own lines when it finds no device, so that the one line the game writes says it all.
#include "sound.h"

#include "datafiles.h"
#include "report.h"
#include "soundfile.h"

#include <alsa/asoundlib.h>
#include <allegro.h>

#include <array>
#include <cstdarg>
#include <cstdio>

namespace {

constexpr int CENTRE_PAN = 128;
constexpr int OWN_PITCH = 1000; // the library's scale: 1000 plays a sample at its own rate
constexpr int PLAY_ONCE = 0;
const char *const SOUND_FOLDER = "sounds/";
const char *const SOUND_EXTENSION = ".wav";
constexpr std::size_t ALSA_MESSAGE_SIZE = 256;

struct sound_state {
    std::array<SAMPLE *, CUE_COUNT> samples{};
    bool open = false; // the device installed and every sample loaded
    bool muted = false;
};

sound_state sound;
char first_alsa_message[ALSA_MESSAGE_SIZE];

// ALSA's complaints would go to standard error line by line; the first, which names the cause,
// is kept for the game's own line instead.
void keep_alsa_message(const char *, int, const char *, int, const char *format, ...)
{
    if (first_alsa_message[0])
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(first_alsa_message, sizeof first_alsa_message, format, args);
    va_end(args);
}

void free_samples()
{
    for (SAMPLE *&sample : sound.samples) {
        if (sample)
            destroy_sample(sample);
        sample = nullptr;
    }
}

void stop_samples()
{
    for (SAMPLE *sample : sound.samples)
        stop_sample(sample);
}

// Every cue's sample, or false after telling which file could not be used and why.
bool load_samples(const std::string &executable)
{
    for (int cue = 0; cue < CUE_COUNT; ++cue) {
        const std::string name =
            SOUND_FOLDER + std::string(cue_name(static_cast<sound_cue>(cue))) + SOUND_EXTENSION;
        const std::string path = data_file_path(name.c_str(), executable);
        std::string why;
        sound.samples[cue] = load_wav_sample(path, why);
        if (!sound.samples[cue]) {
            const std::string problem = "cannot use the sound \"" + path +
                                        "\" (looked in the current folder, then in " +
                                        installed_data_folder(executable) + "): " + why;
            report_no_sound(problem.c_str());
            free_samples();
            return false;
        }
    }
    return true;
}

// The library's digital sound on a real device, or false after telling why there is none.
bool install_device()
{
    first_alsa_message[0] = '\0';
    allegro_error[0] = '\0';
    snd_lib_error_set_handler(keep_alsa_message);
    if (install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) == 0 && digi_card != DIGI_NONE)
        return true;
    std::string why = "no sound device";
    if (allegro_error[0])
        why += std::string(": ") + allegro_error;
    if (first_alsa_message[0])
        why += std::string(" (") + first_alsa_message + ")";
    remove_sound();
    report_no_sound(why.c_str());
    return false;
}

} // namespace

bool open_sound(const std::string &executable, bool muted)
{
    close_sound();
    sound.muted = muted;
    if (!load_samples(executable))
        return false;
    if (!install_device()) {
        free_samples();
        return false;
    }
    sound.open = true;
    return true;
}

void close_sound()
{
    if (!sound.open)
        return;
    stop_samples();
    remove_sound();
    free_samples();
    sound.open = false;
}

void play_cue(sound_cue cue, int volume)
{
    if (sound.open && !sound.muted && volume > CUE_SILENT)
        play_sample(sound.samples[cue], volume, CENTRE_PAN, OWN_PITCH, PLAY_ONCE);
}

void play_cues(const pass_cues &cues)
{
    for (int cue = 0; cue < CUE_COUNT; ++cue)
        play_cue(static_cast<sound_cue>(cue), cues.volume[cue]);
}

void set_muted(bool muted)
{
    sound.muted = muted;
    if (muted && sound.open)
        stop_samples();
}

bool sound_muted() { return sound.muted; }
