// Screenshots: each file is created new, never through a symbolic link, and written through
// the one handle that created it, so that nothing already under the name (a dangling link
// included) is written to or replaced, and no other program can slip a file in between.
#include "screenshot.h"

#include "graphic.h"
#include "newfile.h"
#include "notes.h"
#include "report.h"
#include "sound.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

const char *const SCREENSHOT_NAME = "s%04d.bmp";
constexpr double FAILURE_NOTE_SECONDS = 3;

std::string name_of(int n)
{
    char name[32];
    std::snprintf(name, sizeof name, SCREENSHOT_NAME, n);
    return name;
}

// The library writes pictures to a PACKFILE; this one writes to a stream of the C library.
FILE *stream(void *userdata) { return static_cast<FILE *>(userdata); }
int stream_close(void *s) { return std::fclose(stream(s)) == 0 ? 0 : -1; }
int stream_getc(void *) { return EOF; }
int stream_ungetc(int, void *) { return EOF; }
long stream_read(void *, long, void *) { return 0; }
int stream_putc(int c, void *s) { return std::fputc(c, stream(s)); }
long stream_write(const void *p, long n, void *s) { return std::fwrite(p, 1, n, stream(s)); }
int stream_seek(void *, int) { return -1; }
int stream_eof(void *) { return 0; }
int stream_error(void *s) { return std::ferror(stream(s)); }
const PACKFILE_VTABLE WRITE_STREAM = {stream_close, stream_getc,  stream_ungetc,
                                      stream_read,  stream_putc,  stream_write,
                                      stream_seek,  stream_eof,   stream_error};

// Writes the picture with the palette and closes the stream; on failure errno tells why.
bool write_bmp(FILE *out, BITMAP *bmp)
{
    PACKFILE *file = pack_fopen_vtable(&WRITE_STREAM, out);
    if (!file) {
        std::fclose(out);
        return false;
    }
    errno = 0;
    const bool written = save_bmp_pf(file, bmp, pal) == 0;
    const int write_error = errno;
    const bool closed = pack_fclose(file) == 0;
    if (!written)
        errno = write_error;
    return written && closed;
}

} // namespace

void screenshot_taker::take_if_pressed(BITMAP *bmp)
{
    if (s_key.pressed(key[KEY_S]))
        save(bmp);
}

// A shot that cannot be written keeps its number for the next press.
void screenshot_taker::save(BITMAP *bmp)
{
    for (;; ++number) {
        const std::string name = name_of(number);
        FILE *out = open_new_file(name.c_str());
        if (!out && errno == EEXIST)
            continue;
        if (!out || !write_bmp(out, bmp)) {
            report_screenshot_failed(name.c_str(), errno);
            // A player who started the game from the desktop sees no standard error.
            show_note("Cannot save the screenshot " + name, FAILURE_NOTE_SECONDS);
            if (out)
                unlink(name.c_str());
            return;
        }
        play_cue(cue_screenshot);
        ++number;
        return;
    }
}
