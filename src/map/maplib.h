// Public interface of the tile-map library: chunked map files, the one loaded map held in
// process-wide globals, block queries and editing, drawing, animation, parallax and layer files.
#ifndef MAPLIB_H
#define MAPLIB_H

#include <allegro.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Records of the loaded map
// ---------------------------------------------------------------------------------------------

// One graphics field of a block record: a graphic number while the map is being decoded,
// the graphic's bitmap once the load has converted the graphics (null: no graphic).
union BlockGfx {
    std::intptr_t number;
    BITMAP *bitmap;
};

// One block record, in file order.
struct BlockStr {
    BlockGfx gfx_bg, gfx_fg1, gfx_fg2, gfx_fg3;
    std::int32_t attr1, attr2;
    std::uint16_t attr3, attr4;
    std::uint8_t attr5, attr6, attr7;
    std::uint8_t flags;
};

// Bits of BlockStr::flags that the library itself reads.
enum : std::uint8_t {
    BLOCK_SEE_THROUGH = 16, // background drawn masked by MapDrawBGT and filled by parallax
    BLOCK_STACK_NEXT = 32,  // MapDrawRow goes on stacking with the next block record
    BLOCK_LEFT_HALF = 64,   // MapDrawRow draws only the left half of the graphic
    BLOCK_RIGHT_HALF = 128, // MapDrawRow draws only the right half of the graphic
};

// One animation: a stretch first .. end-1 of the frame sequence mapanimseqpt.
struct AnimStr {
    std::int8_t type;
    std::uint8_t delay;
    std::int8_t countdown;
    std::uint8_t user;
    std::int32_t current, first, end;
};

enum AnimType {
    anim_end = -1,
    anim_none = 0,
    anim_loop_forward = 1,
    anim_loop_reverse = 2,
    anim_once = 3,
    anim_once_hold = 4,
    anim_pingpong_forward = 5,
    anim_pingpong_reverse = 6,
    anim_pingpong_reverse_returning = 7,
    anim_pingpong_forward_returning = 8,
    anim_once_finished = 9,
};

// Codes left in maperror by a failed load.
enum MapError {
    MER_NONE = 0,
    MER_OUTOFMEM = 1,
    MER_MAPLOADERROR = 2,
    MER_NOOPEN = 3,
    MER_NOSCREEN = 4,
    MER_CVBFAILED = 6,
    MER_MAPTOONEW = 7,
};

// Text for a maperror code, for programs that tell a person what went wrong.
const char *MapErrorText(int code);

// How a map file stores its numbers: the header's map type (maptype, MapFile::maptype).
enum MapType {
    MAP_TYPE_OFFSETS = 0, // graphic, block and frame numbers as byte offsets, layers plain
    MAP_TYPE_PLAIN = 1,   // numbers as they are, layers plain
    MAP_TYPE_RUNS = 2,    // as 1, layers packed in runs of one value
    MAP_TYPE_COPIES = 3,  // as 1, layers packed in runs and copies of cells decoded before
    MAP_TYPE_LAST = MAP_TYPE_COPIES, // the highest type the loader reads
};

constexpr int MAP_LAYERS = 8;
constexpr int MAP_NOVC_SIZE = 70;

// The colour depth of palette graphics and screens, whose pixels are palette indices.
constexpr int MAP_PALETTE_DEPTH = 8;

// The largest bitmap made from sizes that a file gives: block graphics, the parallax picture,
// a tool's picture of a whole map. Allegro counts a bitmap's bytes in an int, and no sane map
// needs more than this.
constexpr std::int64_t MAP_MAX_BITMAP_BYTES = std::int64_t{256} << 20;
// True when a bitmap of width x height pixels at colour depth `depth` has both sides at least 1
// and takes at most MAP_MAX_BITMAP_BYTES.
bool MapBitmapFits(std::int64_t width, std::int64_t height, int depth);
// The size and the limit in words, for a message about a bitmap MapBitmapFits refuses.
std::string MapBitmapSizeText(std::int64_t width, std::int64_t height, int depth);

// ---------------------------------------------------------------------------------------------
// The loaded map. Pointers are null and numbers 0 until the first load; MapFreeMem releases
// the pointers and leaves the header numbers of the last map.
// ---------------------------------------------------------------------------------------------

extern short *mappt;                          // current layer (layer 0 after a load)
extern short **maparraypt;                    // row table of the current layer, or null
extern short *mapmappt[MAP_LAYERS];           // layers 0..7, null where absent
extern short **mapmaparraypt[MAP_LAYERS];     // row tables, null until MapGenerateYLookup
extern unsigned char *mapcmappt;              // the CMAP chunk: 256 x red, green, blue
extern PALETTE mapcmap6bit;                   // the same palette in 6-bit components
extern unsigned char *mapblockgfxpt;          // block graphics pixels (screen depth after a load)
extern BlockStr *mapblockstrpt;               // mapnumblockstr block records
extern std::int32_t *mapanimseqpt;            // frame sequence: block numbers
extern AnimStr *mapanimstrpt;                 // animation records, end marker first
extern AnimStr *mapanimstrendpt;              // one past the last animation record
extern BITMAP **abmTiles;                     // one bitmap per graphic, then a null entry
extern short mapwidth, mapheight;             // map size in blocks
extern short mapblockwidth, mapblockheight;   // block size in pixels
extern short mapdepth;                        // depth of the pixels in mapblockgfxpt
extern int mapaltdepth;                       // depth of the graphics the file supplied
extern short mapblockstrsize;                 // bytes per block record in the file
extern short mapnumblockstr;                  // number of block records
extern short mapnumblockgfx;                  // number of block graphics
extern int mapblockgapx, mapblockgapy;        // distance between neighbouring block origins
extern int mapblockstaggerx, mapblockstaggery;
extern int mapclickmask;                      // graphic number of the click mask, 0 = none
extern int mapversion;                        // format version of the header: 0 or 1
extern int maptype;                           // the MapType of the map
extern int mapislsb;                          // 1: numbers in chunk data are little-endian
extern int maperror;                          // MapError code of the last load
extern char mapnovctext[MAP_NOVC_SIZE];       // graphics kept out of video memory
extern int mapgfxinbitmaps;                   // 0 none yet, 1 video where possible, 2 memory
extern int mapblocksinvidmem, mapblocksinsysmem;
extern PACKFILE *mapfilept;                   // the map file while it is read

// ---------------------------------------------------------------------------------------------
// Loading and releasing
// ---------------------------------------------------------------------------------------------

// Load a map file (plain or packed). Return 0, or -1 with maperror set. A file that cannot be
// opened or is not a map leaves the previous map loaded; any later failure leaves no map.
// Needs a screen: graphics are converted to its colour depth. The VRAM forms put block
// graphics into video bitmaps where they fit; the ABM form behaves exactly as MapLoad.
int MapLoad(const char *filename);
int MapLoadVRAM(const char *filename);
int MapLoadABM(const char *filename);
// As MapLoad, with the graphics converted to colour depth `depth` (8, 15, 16, 24 or 32) rather
// than the screen's, in memory bitmaps: no screen is needed, and "AGFX" is taken for depth 8.
// Any other depth fails with maperror 4 and leaves no map.
int MapLoadDepth(const char *filename, int depth);

// Decode a complete map file image in memory, beginning with "FORM". The image must hold the
// whole form its header declares (form length + 8 bytes); it is only read and may be released
// as soon as the call returns. Return 0, or -1 with maperror set and no map loaded.
int MapDecode(const unsigned char *image);
int MapDecodeVRAM(const unsigned char *image);
int MapDecodeABM(const unsigned char *image);
// As MapDecode, with the graphics converted to colour depth `depth` as MapLoadDepth does.
int MapDecodeDepth(const unsigned char *image, int depth);

// Release everything a load allocated. Harmless with nothing loaded.
void MapFreeMem();


// Build a row table for every layer present. Return 0, or -1 when memory runs out.
int MapGenerateYLookup();

// Internal steps of a load, callable on their own.
int MapRealLoad(const char *filename);
int MapPreRealDecode(const unsigned char *image);
int MapRealDecode(PACKFILE *file, const unsigned char *chunks, long length);

// Chunk decoders: each takes a pointer to a complete chunk (identifier, length, data) and
// returns 0, or -1 with maperror set.
int MapDecodeMPHD(const unsigned char *chunk);
int MapDecodeCMAP(const unsigned char *chunk);
int MapDecodeBKDT(const unsigned char *chunk);
int MapDecodeANDT(const unsigned char *chunk);
int MapDecodeAGFX(const unsigned char *chunk);
int MapDecodeBGFX(const unsigned char *chunk);
int MapDecodeNOVC(const unsigned char *chunk);
int MapDecodeLayer(const unsigned char *chunk, int layer);
int MapDecodeNULL(const unsigned char *chunk);

// Readers of the file's numbers. Chunk lengths are always big-endian; the others follow
// mapislsb.
std::uint32_t MapGetchksz(const unsigned char *p);
int MapGetshort(const unsigned char *p);
std::int32_t MapGetlong(const unsigned char *p);

// ---------------------------------------------------------------------------------------------
// The chunks of a map file, as a load walks them and keeps those it does not know
// ---------------------------------------------------------------------------------------------

constexpr int MAP_CHUNK_ID_SIZE = 4;

// One chunk of a map file: its identifier, where it begins and how long its data is.
struct MapChunkInfo {
    std::string id;           // MAP_CHUNK_ID_SIZE bytes, as stored
    std::uint64_t offset = 0; // of the identifier, in the file as read (packed files unpacked)
    std::uint32_t length = 0; // bytes of data after the identifier and the length
};

// What MapWalkChunks found in a file.
struct MapChunkWalk {
    // The outer header's identifiers as stored ("FORM", "FMAP" in a map), both empty when the
    // file is too short for the header.
    std::string form_id, form_type;
    std::uint32_t form_length = 0;    // the form length between them
    std::vector<MapChunkInfo> chunks; // every whole chunk of the form, in file order
    std::string problem;              // what is wrong and where, in words; empty if nothing
};

// Walk a map file's chunks (plain or packed) by the rules a load follows: the outer header,
// then chunks until the form's length is used up, each whole. Return 0, or -1 where a load
// would stop too: the file cannot be read, is no map file or ends before its form, or memory
// runs out. Bytes after the form, which a load does not read, are named in `problem` with a
// result of 0. Leaves the loaded map and maperror alone.
int MapWalkChunks(const char *filename, MapChunkWalk &walk);
// A chunk of the loaded map whose identifier (MAP_CHUNK_ID_SIZE characters) the loader does not
// know, kept from the file: its data, with its length in `length` when given, or null (length
// 0) when the map has none. Of two chunks of one identifier, the first in the file. Valid
// until the next load or MapFreeMem.
const unsigned char *MapGetChunk(const char *id, std::uint32_t *length);

// ---------------------------------------------------------------------------------------------
// Graphics conversion and palette
// ---------------------------------------------------------------------------------------------

// Convert the decoded graphics to the screen's depth, then MapRelocate2. 0 or -1.
int MapRelocate();
// Create one bitmap per graphic and link the block records to them. 0, or -1 with maperror 6.
int MapRelocate2();
// Repaint the block bitmaps from the converted pixels (maps loaded with video bitmaps only).
void MapRestore();
// Fill mapcmap6bit from a 768-byte red, green, blue table.
void Mapconv8to6pal(const unsigned char *cmap);
// Select the map's palette when both the screen and the map graphics are 8-bit.
void MapSetPal8();
// Kept for callers of older versions of the library; it has no effect.
void MapCorrectColours();

// ---------------------------------------------------------------------------------------------
// Block animation
// ---------------------------------------------------------------------------------------------

// Reset every animation to its starting frame and countdown.
void MapInitAnims();
// Advance every animation by one update.
void MapUpdateAnims();

// ---------------------------------------------------------------------------------------------
// Queries and editing of the current layer
// ---------------------------------------------------------------------------------------------

// Block record under a map pixel, or null outside the map (or with no current layer).
BlockStr *MapGetBlockInPixels(int x, int y);
// Block record at a block position; the caller keeps the position inside the map.
BlockStr *MapGetBlock(int column, int row);
// Store a cell under a map pixel; outside the map nothing happens.
void MapSetBlockInPixels(int x, int y, int value);
// Store a cell at a block position; the caller keeps the position inside the map.
void MapSetBlock(int column, int row, int value);
// Make layer 0..7 current. Return the layer, or -1 (and keep the current one).
int MapChangeLayer(int layer);
// Index of the first block record whose attribute 1..7 equals value, or -1.
int MapGetBlockID(int value, int attribute);
// Map column and row of a pixel, clamped to the map.
int MapGetXOffset(int x, int y);
int MapGetYOffset(int x, int y);
// Staggered maps: the correction -1, 0 or +1 to a column (axis 0) or row (axis 1).
int MEClickmask(int x, int y, int axis);

// ---------------------------------------------------------------------------------------------
// Drawing: a window of the current layer, from map pixel (mapx, mapy), into the rectangle
// (wx, wy, ww, wh) of a bitmap. Cells outside the layer are not drawn. The bitmap's clip
// rectangle is restored exactly.
// ---------------------------------------------------------------------------------------------

void MapDrawBG(BITMAP *dest, int mapx, int mapy, int wx, int wy, int ww, int wh);
void MapDrawBGT(BITMAP *dest, int mapx, int mapy, int wx, int wy, int ww, int wh);
// layer 0 draws gfx_fg1, 1 draws gfx_fg2, any other value gfx_fg3.
void MapDrawFG(BITMAP *dest, int mapx, int mapy, int wx, int wy, int ww, int wh, int layer);
// One row of stacked foreground graphics; cellfn (may be null) is called before each cell
// with its column, map row and the x and y at which it is drawn.
void MapDrawRow(BITMAP *dest, int mapx, int mapy, int wx, int wy, int ww, int wh, int row,
                void (*cellfn)(int column, int row, int x, int y));

// ---------------------------------------------------------------------------------------------
// Parallax layer
// ---------------------------------------------------------------------------------------------

// A copy of the picture widened and heightened by one block, the margins repeating its left
// and top edges. kind 0: memory bitmap, 1: video bitmap. Null on failure. The caller owns it.
BITMAP *MapMakeParallaxBitmap(BITMAP *source, int kind);
// Fill the see-through cells of a window with the picture, scrolled at half the map's speed.
void MapDrawParallax(BITMAP *dest, BITMAP *parallax, int mapx, int mapy, int wx, int wy,
                     int ww, int wh);

// ---------------------------------------------------------------------------------------------
// Map array files: the raw cells of one layer
// ---------------------------------------------------------------------------------------------

// Replace layer 0..7 of the loaded map from a file or an image of mapwidth x mapheight
// little-endian cells. Return 0, or -1 with the layer exactly as it was.
int MapLoadMAR(const char *filename, int layer);
int MapDecodeMAR(const unsigned char *image, int layer);

// ---------------------------------------------------------------------------------------------
// Files: only regular files are read, files are replaced only whole
// ---------------------------------------------------------------------------------------------

// Read the whole regular file `path`, of at most `limit` bytes, into `bytes`. A folder, a FIFO,
// a device or a socket is refused as "not a regular file" without waiting on it. Return 0, or
// -1 with `bytes` empty and the reason in `problem` when given (the name is not in it).
int MapReadFile(const char *path, std::uint64_t limit, std::string &bytes,
                std::string *problem = nullptr);
// The same check without reading, for a reader that must open the file itself by its name.
int MapCheckFile(const char *path, std::uint64_t limit, std::string *problem = nullptr);

// The largest map file: a form length of 32 bits and the 8 bytes before the form.
constexpr std::uint64_t MAP_MAX_FILE_BYTES = 0xFFFFFFFFull + 8;
// The bytes of a map file as the loaders read them (MapLoad, MapLoadMAR): a regular file of at
// most MAP_MAX_FILE_BYTES, unpacked when Allegro's packer made it. A packed file that refers to
// bytes it has not unpacked yet is refused. Return 0, or -1 with the reason in `problem`.
int MapReadMapFile(const char *filename, std::vector<unsigned char> &image,
                   std::string *problem = nullptr);

// Writes the complete new contents of a file at `path`, a new empty file that it may also open
// by name (as Allegro's picture savers do). False with the reason in `problem`.
using MapFileWriter =
    std::function<bool(const char *path, std::string &problem)>;

// A file to replace and the writer of its new contents.
struct MapOutputFile {
    std::string path;
    MapFileWriter write;
};

// Replace the files together, each only whole: every writer writes a new temporary file beside
// its target, and only when all of them are complete and on the disk are they renamed over
// their targets. A target that is a symbolic link, a folder or another file that is not
// regular is refused before anything is written. On failure every existing file is as it was
// and no temporary file is left (but for a rename the disk refuses after others were done:
// those stay done). Return 0, or -1 with "path: reason" in `problem`.
int MapReplaceFiles(const std::vector<MapOutputFile> &files, std::string *problem = nullptr);
// Replace one file with `size` bytes in the same way; the reason in `problem` does not name it.
int MapWriteFile(const char *path, const void *data, std::size_t size,
                 std::string *problem = nullptr);

// ---------------------------------------------------------------------------------------------
// Writing map files
// ---------------------------------------------------------------------------------------------

// A block record as the writer takes it: graphic numbers, 0 = no foreground graphic.
struct MapFileBlock {
    std::int32_t gfx_bg = 0, gfx_fg1 = 0, gfx_fg2 = 0, gfx_fg3 = 0;
    std::int32_t attr1 = 0, attr2 = 0;
    std::uint16_t attr3 = 0, attr4 = 0;
    std::uint8_t attr5 = 0, attr6 = 0, attr7 = 0;
    std::uint8_t flags = 0;
};

// An animation as the writer takes it: frames are indices into MapFile::animseq.
struct MapFileAnim {
    std::int8_t type = anim_loop_forward;
    std::uint8_t delay = 0;
    std::int8_t countdown = 0;
    std::uint8_t user = 0;
    std::int32_t current = 0, first = 0, end = 0;
};

// A chunk of the writer's caller, for programs that keep data of their own in a map file: a
// load skips it and keeps it for MapGetChunk, so other programs read the map unchanged.
struct MapFileChunk {
    std::string id; // MAP_CHUNK_ID_SIZE printable ASCII characters the loader does not know
    std::vector<unsigned char> data;
};

// Everything a map file holds, in numbers rather than file offsets.
struct MapFile {
    std::uint8_t major = 1, minor = 0;
    bool lsb = false;         // numbers in chunk data little-endian
    int maptype = MAP_TYPE_PLAIN; // a MapType
    int headersize = 38;      // bytes of the MPHD chunk: 24, 28, 36 or 38 (or more)
    int width = 0, height = 0;
    int blockwidth = 16, blockheight = 16;
    int depth = 8;            // depth of gfx: 8, 15, 16, 24 or 32
    int blockstrsize = 32;    // bytes per block record, at least 32
    int gapx = 16, gapy = 16, staggerx = 0, staggery = 0, clickmask = 0;
    std::vector<unsigned char> cmap;   // 768 bytes, or empty for no CMAP chunk
    std::vector<MapFileBlock> blocks;
    std::vector<std::int32_t> animseq; // block numbers
    std::vector<MapFileAnim> anims;    // anims[k - 1] is animation k (cell value -k)
    int numgfx = 0;                    // number of block graphics
    std::vector<unsigned char> gfx;    // graphics in the file's form at `depth`
    std::vector<unsigned char> agfx;   // optional 8-bit alternative graphics
    bool agfx_after_bgfx = false;      // chunk order of AGFX and BGFX
    bool has_novc = false;
    std::string novc;                  // NOVC text, written with its terminating zero
    std::array<std::vector<short>, MAP_LAYERS> layers; // width x height cells, empty = absent
    std::vector<MapFileChunk> extra_chunks; // written after the map's own, each id once
};

// Encode a map file image. Type 0 turns numbers into the file's byte offsets; types 2 and 3
// compress the layers. Returns the whole file, "FORM" first, or nothing when the loader would
// refuse the file on every screen (or a value does not fit its field); then `problem`, when
// given, says why. Maps of 8-bit graphics without a palette, or with only the 8-bit alternative
// graphics, are written: they load on 8-bit screens.
std::vector<unsigned char> MapEncode(const MapFile &map, std::string *problem = nullptr);
// Write the encoded map to a file through MapWriteFile: a file already there is replaced only
// by a complete map. Return 0, or -1 when MapEncode refuses the map or the file cannot be
// written, with the reason in `problem` when given.
int MapSave(const char *filename, const MapFile &map, std::string *problem = nullptr);
// Append one chunk (identifier, big-endian length, data) to an image under construction, and
// wrap chunks into a complete "FORM"/"FMAP" image: for building files by hand.
void MapAppendChunk(std::vector<unsigned char> &out, const char id[4],
                    const std::vector<unsigned char> &data);
std::vector<unsigned char> MapWrapForm(const std::vector<unsigned char> &chunks);

#endif
