// The map file's layout, shared by the decoders and the writer: header fields, record sizes,
// the animation end marker and how map type 0 stores animation cells.
#ifndef MAPFORMAT_H
#define MAPFORMAT_H

namespace mapformat {

// Header chunk: the fields every header has; longer headers add the gaps and staggers (more
// than 28 bytes) and the click mask (more than 36 bytes).
constexpr int HEADER_MIN_SIZE = 24;
constexpr int HEADER_BASIC_SIZE = 28;
constexpr int HEADER_GAPS_SIZE = 36;
constexpr int HEADER_CLICK_MASK_SIZE = 38;

enum HeaderOffset {
    HD_MAJOR = 0, HD_MINOR = 1, HD_BYTE_ORDER = 2, HD_MAP_TYPE = 3, HD_WIDTH = 4,
    HD_HEIGHT = 6, HD_BLOCK_WIDTH = 12, HD_BLOCK_HEIGHT = 14, HD_DEPTH = 16,
    HD_BLOCKSTR_SIZE = 18, HD_NUM_BLOCKSTR = 20, HD_NUM_GFX = 22, HD_GAP_X = 28, HD_GAP_Y = 30,
    HD_STAGGER_X = 32, HD_STAGGER_Y = 34, HD_CLICK_MASK = 36,
};

constexpr int MAX_MAJOR_VERSION = 1;
constexpr unsigned char LITTLE_ENDIAN_FLAG = 1;

// Palette chunk: 256 x red, green, blue; longer chunks are allowed, shorter ones are not.
constexpr unsigned CMAP_SIZE = 768;

// Layer cells are 16-bit numbers, in map files and map array files alike.
constexpr int CELL_SIZE = 2;

// Block records: the fields read, at least this many bytes per record.
constexpr int MIN_BLOCKSTR_SIZE = 32;

// Animation chunk: 4-byte frame sequence entries, then 16-byte records from the end marker on.
constexpr int SEQ_ENTRY_SIZE = 4;
constexpr int ANIM_RECORD_SIZE = 16;
constexpr unsigned char ANIM_END_MARKER = 0xFF;

// Map type 0 stores animation k in a cell as -16k: the record's offset back from the end.
constexpr int TYPE0_ANIM_CELL_STEP = ANIM_RECORD_SIZE;

} // namespace mapformat

#endif
