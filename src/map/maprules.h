// What the loader accepts, in one place: the rules that the chunk decoders apply to what they
// read and that the writer applies to what it is about to write, so that no program of ours
// writes a map file the loader refuses.
#ifndef MAPRULES_H
#define MAPRULES_H

#include "maplib.h"

#include <cstdint>
#include <string>

// Why the loader refuses a file: the maperror code it reports and the reason in words. A rule
// that holds gives MER_NONE and no reason.
struct MapRefusal {
    int code = MER_NONE;
    std::string reason;
    explicit operator bool() const { return code != MER_NONE; }
};

// The numbers of a header chunk as the loader reads them. The byte order is the header's own.
struct MapHeader {
    std::uint32_t size = 0; // bytes of chunk data
    int major = 0, maptype = 0;
    bool lsb = false;
    int width = 0, height = 0, blockwidth = 0, blockheight = 0, depth = 0;
    int blockstrsize = 0, numblockstr = 0, numgfx = 0;
    int gapx = 0, gapy = 0, staggerx = 0, staggery = 0, clickmask = 0;
};

// A signed 16-bit number of chunk data in the given byte order.
int MapReadShort(const unsigned char *p, bool lsb);

// Reads a header chunk's `size` data bytes. A header shorter than its fields needs leaves them
// 0; MapCheckHeaderFrame refuses it.
MapHeader MapReadHeader(const unsigned char *data, std::uint32_t size);

// The header's length and major version, checked before anything else of it is taken.
MapRefusal MapCheckHeaderFrame(const MapHeader &header);
// The rest: map type, colour depth, sizes and counts, and the number of cells of a layer.
MapRefusal MapCheckHeaderValues(const MapHeader &header);

// The bytes `count` graphics of width x height pixels take at colour depth `depth` (0 when any
// of the numbers is not positive).
std::uint64_t MapGraphicsBytes(int count, int width, int height, int depth);

// A block record's background must name one of `graphics` graphics; a foreground may also be
// 0, no graphic.
inline bool MapGraphicExists(std::int64_t number, int graphics)
{
    return number >= 0 && number < graphics;
}

inline bool MapForegroundIsSound(std::int64_t number, int graphics)
{
    return number == 0 || MapGraphicExists(number, graphics);
}

// A frame sequence entry names one of `blocks` block records.
inline bool MapSequenceEntryIsSound(std::int64_t entry, int blocks)
{
    return entry >= 0 && entry < blocks;
}

// An animation's frames first .. end - 1 are sequence entries; `first` must be one even when
// the stretch is empty, since such an animation shows the entry at `first`.
inline bool MapFramesAreSound(std::int64_t first, std::int64_t end, std::int64_t entries)
{
    return first >= 0 && first <= end && end <= entries && first < entries;
}

// A cell names one of `blocks` block records or one of `animations` animations.
inline bool MapCellIsSound(short cell, int blocks, long animations)
{
    return cell < blocks && cell >= -animations;
}

#endif
