// sfxsynth: make the game's sound effects from the text of their parameters, one WAV file per
// sound, named after it, in the output folder.
#include "sfxrender.h"
#include "sfxtext.h"

#include "diagnostic.h"
#include "inputfiles.h"
#include "maplib.h"
#include "soundfile.h"
#include "usage.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char *USAGE =
    "usage: sfxsynth SOUNDS.txt OUTPUT_FOLDER\n"
    "Makes each sound the text defines (its form is in data/sounds/README.md) into\n"
    "OUTPUT_FOLDER/NAME.wav, 16-bit mono PCM at 22050 Hz; the same text always gives the same\n"
    "files. Every mistake is reported as FILE:LINE:COLUMN: MESSAGE, and then nothing is written.\n";

// Far beyond any text of sounds; a bigger file is not one.
constexpr std::uint64_t MAX_TEXT_BYTES = 1 << 20;

bool read_text(const char *path, std::string &text)
{
    std::string problem;
    if (read_input_file(path, MAX_TEXT_BYTES, text, problem))
        return true;
    std::fprintf(stderr, "%s: cannot read the text of sounds: %s\n", printable(path).c_str(),
                 problem.c_str());
    return false;
}

// The sounds, each as FOLDER/NAME.wav; none of them may be the text they come from.
bool write_sounds(const fs::path &folder, const std::string &text_path,
                  const std::vector<sound_spec> &sounds,
                  const std::vector<rendered_sound> &rendered)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "%s: cannot make the folder: %s\n", printable(folder.string()).c_str(),
                     error.message().c_str());
        return false;
    }
    for (std::size_t i = 0; i < sounds.size(); ++i) {
        const std::string path = (folder / (sounds[i].name + ".wav")).string();
        std::string problem = overwrite_problem(path, text_path);
        if (!problem.empty()) {
            std::fprintf(stderr, "%s\n", printable(problem).c_str());
            return false;
        }
        const std::vector<std::uint8_t> wav = wav_bytes(rendered[i].samples, SOUND_RATE);
        if (MapWriteFile(path.c_str(), wav.data(), wav.size(), &problem) != 0) {
            std::fprintf(stderr, "%s: cannot write the sound: %s\n", printable(path).c_str(),
                         problem.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (std::optional<int> status = answer_usage(argc, argv, 2, USAGE))
        return *status;
    std::string text;
    if (!read_text(argv[1], text))
        return EXIT_FAILURE;
    std::vector<sound_spec> sounds;
    std::vector<rendered_sound> rendered;
    Diagnostics errors;
    if (read_sound_text(argv[1], text, sounds, errors))
        render_sounds(argv[1], sounds, rendered, errors);
    if (!errors.empty()) {
        for (const Diagnostic &d : errors.list())
            std::fprintf(stderr, "%s\n", d.text().c_str());
        return EXIT_FAILURE;
    }
    if (!write_sounds(argv[2], argv[1], sounds, rendered))
        return EXIT_FAILURE;
    std::size_t samples = 0;
    for (const rendered_sound &r : rendered)
        samples += r.samples.size();
    std::printf("%s: %zu sounds, %.2f s in all\n", argv[2], sounds.size(),
                static_cast<double>(samples) / SOUND_RATE);
    return EXIT_SUCCESS;
}
