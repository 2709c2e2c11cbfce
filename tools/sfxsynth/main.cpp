// sfxsynth: make the game's sound effects from the text of their parameters, one WAV file per
// sound, named after it, in the output folder.
#include "sfxrender.h"
#include "sfxtext.h"

#include "soundfile.h"
#include "usage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char *USAGE =
    "usage: sfxsynth SOUNDS.txt OUTPUT_FOLDER\n"
    "Makes each sound the text defines (its form is in data/sounds/README.md) into\n"
    "OUTPUT_FOLDER/NAME.wav, 16-bit mono PCM at 22050 Hz; the same text always gives the same\n"
    "files. Every mistake is reported as FILE:LINE:COLUMN: MESSAGE, and then nothing is written.\n";

// Far beyond any text of sounds; a bigger file is not one.
constexpr std::uintmax_t MAX_TEXT_BYTES = 1 << 20;
constexpr mode_t NEW_FILE_MODE = 0666; // less the person's umask

bool read_text(const char *path, std::string &text)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        std::fprintf(stderr, "%s: not a readable regular file\n", path);
        return false;
    }
    if (fs::file_size(path, error) > MAX_TEXT_BYTES) {
        std::fprintf(stderr, "%s: more than %ju bytes: not a text of sounds\n", path,
                     MAX_TEXT_BYTES);
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "%s: cannot be read\n", path);
        return false;
    }
    return true;
}

// Writes the bytes to a new file beside `path` and renames it into place once it is whole, so
// that `path` is either the old file or the new one, never a part. Errno tells why it failed.
bool replace_file(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return false;
    fchmod(fd, NEW_FILE_MODE & ~umask(umask(0)));
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    const bool whole = written == bytes.size() && fsync(fd) == 0;
    const int write_error = errno;
    if (close(fd) != 0 || !whole || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = whole ? errno : write_error;
        unlink(temporary.c_str());
        errno = error;
        return false;
    }
    return true;
}

bool write_sounds(const fs::path &folder, const std::vector<sound_spec> &sounds,
                  const std::vector<rendered_sound> &rendered)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "%s: cannot make the folder: %s\n", folder.c_str(),
                     error.message().c_str());
        return false;
    }
    for (std::size_t i = 0; i < sounds.size(); ++i) {
        const std::string path = (folder / (sounds[i].name + ".wav")).string();
        if (!replace_file(path, wav_bytes(rendered[i].samples, SOUND_RATE))) {
            std::fprintf(stderr, "%s: cannot write the sound: %s\n", path.c_str(),
                         std::strerror(errno));
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
    if (!write_sounds(argv[2], sounds, rendered))
        return EXIT_FAILURE;
    std::size_t samples = 0;
    for (const rendered_sound &r : rendered)
        samples += r.samples.size();
    std::printf("%s: %zu sounds, %.2f s in all\n", argv[2], sounds.size(),
                static_cast<double>(samples) / SOUND_RATE);
    return EXIT_SUCCESS;
}
