// Tileset images through libpng, into memory this library owns: a damaged file fails cleanly
// (Allegro's loader keeps the bitmap it was filling when libpng gives up), and the size is
// checked before anything is allocated.
#include "tmxmap.h"

#include <png.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr int CHANNELS = 4; // red, green, blue, alpha after the expansions
constexpr std::size_t PNG_SIGNATURE_SIZE = 8;

struct Reading {
    const std::string *bytes = nullptr;
    std::size_t at = 0;
    std::string problem;
    bool too_large = false;
};

void read_bytes(png_structp png, png_bytep out, png_size_t count)
{
    auto *reading = static_cast<Reading *>(png_get_io_ptr(png));
    if (count > reading->bytes->size() - reading->at)
        png_error(png, "the file ends early");
    std::memcpy(out, reading->bytes->data() + reading->at, count);
    reading->at += count;
}

// libpng reports through these; the message is kept for the caller and nothing is printed.
void keep_error(png_structp png, png_const_charp message)
{
    static_cast<Reading *>(png_get_error_ptr(png))->problem = message;
    png_longjmp(png, 1);
}

void ignore_warning(png_structp, png_const_charp) {}

// Palette images without transparency stay palette indices (8 bits per pixel); every other
// image becomes 8-bit red, green, blue and alpha.
void choose_form(png_structp png, png_infop info, TmxImage &out)
{
    const int type = png_get_color_type(png, info);
    const bool keyed = png_get_valid(png, info, PNG_INFO_tRNS);
    out.paletted = type == PNG_COLOR_TYPE_PALETTE && !keyed;
    if (out.paletted) {
        png_colorp colours = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &colours, &count);
        for (int i = 0; i < std::min(count, static_cast<int>(out.palette.size() / 3)); ++i) {
            out.palette[3 * i] = colours[i].red;
            out.palette[3 * i + 1] = colours[i].green;
            out.palette[3 * i + 2] = colours[i].blue;
        }
        png_set_packing(png);
        return;
    }
    png_set_expand(png);
    png_set_scale_16(png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
}

// The decoding itself, between setjmp and the last libpng call: every C++ object it uses is made
// before setjmp, so that a longjmp back here skips no destructor. The rows go straight into the
// image's indices, or into its colours as bytes, to be turned into numbers where they are.
bool decode(png_structp png, png_infop info, Reading &reading, std::uint64_t max_pixels,
            TmxImage &out, std::vector<png_bytep> &rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &reading, read_bytes);
    png_read_info(png, info);
    const std::uint64_t width = png_get_image_width(png, info);
    const std::uint64_t height = png_get_image_height(png, info);
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    if (width * height > max_pixels) {
        reading.too_large = true;
        return false;
    }
    choose_form(png, info, out);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t row_bytes = width * (out.paletted ? 1 : CHANNELS);
    if (png_get_rowbytes(png, info) != row_bytes) {
        reading.problem = "its pixels cannot be brought to 8 bits per channel";
        return false;
    }
    png_bytep pixels = nullptr;
    if (out.paletted) {
        out.indices.resize(row_bytes * height);
        pixels = out.indices.data();
    } else {
        out.argb.resize(width * height);
        pixels = reinterpret_cast<png_bytep>(out.argb.data());
    }
    rows.resize(height);
    for (std::uint64_t y = 0; y < height; ++y)
        rows[y] = pixels + y * row_bytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

// Red, green, blue and alpha bytes into 0xAARRGGBB, in place.
void bytes_to_argb(std::vector<std::uint32_t> &argb)
{
    for (std::uint32_t &pixel : argb) {
        std::uint8_t p[CHANNELS];
        std::memcpy(p, &pixel, CHANNELS);
        pixel =
            std::uint32_t(p[3]) << 24 | std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
}

} // namespace

bool decode_png(const std::string &bytes, std::uint64_t max_pixels, TmxImage &out,
                std::string &problem)
{
    if (bytes.size() < PNG_SIGNATURE_SIZE ||
        png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, PNG_SIGNATURE_SIZE) != 0) {
        problem = "is not a PNG file";
        return false;
    }
    Reading reading;
    reading.bytes = &bytes;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, keep_error, ignore_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows;
    const bool decoded = info && decode(png, info, reading, max_pixels, out, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!decoded) {
        problem = reading.too_large ? "" : "cannot be decoded as PNG: " + reading.problem;
        return false;
    }
    bytes_to_argb(out.argb);
    return true;
}
