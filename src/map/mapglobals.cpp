// The one loaded map: every global of the library, defined in one place.
#include "maplib.h"

short *mappt = nullptr;
short **maparraypt = nullptr;
short *mapmappt[MAP_LAYERS] = {};
short **mapmaparraypt[MAP_LAYERS] = {};
unsigned char *mapcmappt = nullptr;
PALETTE mapcmap6bit;
unsigned char *mapblockgfxpt = nullptr;
BlockStr *mapblockstrpt = nullptr;
std::int32_t *mapanimseqpt = nullptr;
AnimStr *mapanimstrpt = nullptr;
AnimStr *mapanimstrendpt = nullptr;
BITMAP **abmTiles = nullptr;
short mapwidth = 0, mapheight = 0;
short mapblockwidth = 0, mapblockheight = 0;
short mapdepth = 0;
int mapaltdepth = 0;
short mapblockstrsize = 0;
short mapnumblockstr = 0;
short mapnumblockgfx = 0;
int mapblockgapx = 0, mapblockgapy = 0;
int mapblockstaggerx = 0, mapblockstaggery = 0;
int mapclickmask = 0;
int mapversion = 0;
int maptype = 0;
int mapislsb = 0;
int maperror = 0;
char mapnovctext[MAP_NOVC_SIZE] = {};
int mapgfxinbitmaps = 0;
int mapblocksinvidmem = 0, mapblocksinsysmem = 0;
PACKFILE *mapfilept = nullptr;

const char *MapErrorText(int code)
{
    switch (code) {
    case MER_NONE: return "no error";
    case MER_OUTOFMEM: return "out of memory";
    case MER_MAPLOADERROR: return "not a valid map file, or shorter than it says";
    case MER_NOOPEN: return "the file cannot be opened, or is not a regular file";
    case MER_NOSCREEN:
        return "no screen, or a colour depth the block graphics cannot be converted to";
    case MER_CVBFAILED: return "a block bitmap cannot be created";
    case MER_MAPTOONEW: return "unsupported map format version or map type";
    default: return "unknown error";
    }
}
