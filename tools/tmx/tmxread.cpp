// Reading a TMX map with pugixml: the map element, tilesets embedded or in TSX files (paths
// relative to the file that names them), their PNG images, tile layers in every layer data form
// Tiled writes, the chunks of infinite maps included, and the object that marks the start.
#include "tmxmap.h"

#include "sourcewords.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <limits>
#include <optional>

namespace {

constexpr long long MAX_MAP_SIDE = std::numeric_limits<short>::max(); // 16-bit in the map file
constexpr long long MAX_TILE_SIDE = 4096;
constexpr long long MAX_TILE_ID = TMX_GID_MASK;
constexpr long long MAX_DURATION_MS = std::numeric_limits<int>::max();
constexpr long long MAX_CHUNK_POSITION = 1 << 24;
// Groups of groups are read by recursion.
constexpr int MAX_GROUP_DEPTH = 64;

constexpr int COLOUR_KEY_DIGITS = 6;

// The key of a file read once for the import: its path with "." and ".." steps taken.
std::string file_key(const std::filesystem::path &path)
{
    return path.lexically_normal().string();
}

std::string too_many_xml_nodes(const TmxOptions &options)
{
    return past_budget(options.max_xml_nodes, "XML elements, attributes and texts");
}

// A parsed XML file and the places of its elements.
class XmlFile {
public:
    std::string path;
    pugi::xml_document doc;

    // Parse `text` as UTF-8, in place: the tree points into the text kept here. Its nodes are
    // counted first, onto `nodes` (the import's so far), so that no tree passes the budget.
    // False with a message and its place when the XML is malformed or too large.
    bool parse(std::string text, const TmxOptions &options, std::uint64_t &nodes,
               std::string &problem, SourcePos &where)
    {
        text_ = std::move(text);
        line_starts_.assign(1, 0);
        for (std::size_t i = 0; i < text_.size(); ++i)
            if (text_[i] == '\n')
                line_starts_.push_back(i + 1);
        std::size_t stop = 0;
        if (!count_xml(text_, options.max_xml_nodes, nodes, stop)) {
            problem = too_many_xml_nodes(options);
            where = at_offset(stop);
            return false;
        }
        const pugi::xml_parse_result result = doc.load_buffer_inplace(
            text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
        if (result)
            return true;
        problem = std::string("malformed XML: ") + result.description();
        where = at_offset(static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)));
        return false;
    }

    TmxPlace place(const pugi::xml_node &node) const
    {
        // pugixml gives the offset of the element's name; the element begins one byte earlier.
        const std::ptrdiff_t offset = node.offset_debug();
        return {path, at_offset(static_cast<std::size_t>(std::max<std::ptrdiff_t>(offset - 1, 0)))};
    }

private:
    SourcePos at_offset(std::size_t offset) const
    {
        const auto line = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset) - 1;
        return {static_cast<int>(line - line_starts_.begin()) + 1,
                static_cast<int>(offset - *line) + 1};
    }

    std::string text_;
    std::vector<std::size_t> line_starts_;
};

// A chunk of an infinite map's layer, decoded once the map's bounding box is known.
struct Chunk {
    long long x = 0, y = 0;
    int width = 0, height = 0;
    pugi::xml_node node;
};

// How a layer's cells are written: the <data> element's encoding (none: <tile> elements) and
// compression, and the layer's name for messages.
struct DataForm {
    std::string layer;
    bool tile_elements = false;
    std::string encoding, compression;
};

// How far a layer and the groups around it move what it shows, in pixels.
struct Offset {
    double x = 0, y = 0;
};

Offset moved_by(Offset outer, const pugi::xml_node &layer)
{
    return {outer.x + layer.attribute("offsetx").as_double(0),
            outer.y + layer.attribute("offsety").as_double(0)};
}

DataForm data_form(const pugi::xml_node &layer, const pugi::xml_node &data)
{
    return {in_quotes(layer.attribute("name").as_string()), !data.attribute("encoding"),
            data.attribute("encoding").as_string(), data.attribute("compression").as_string()};
}

class Reader {
public:
    Reader(const TmxOptions &options, TmxMap &map, Diagnostics &errors,
           std::vector<Diagnostic> &warnings)
        : options_(options), map_(map), errors_(errors), warnings_(warnings)
    {
    }

    bool read(const std::string &path);

private:
    bool fail(const TmxPlace &place, const std::string &message)
    {
        errors_.error(place.file, place.pos, message);
        return false;
    }
    bool fail(const XmlFile &file, const pugi::xml_node &node, const std::string &message)
    {
        return fail(file.place(node), message);
    }
    void warn(const XmlFile &file, const pugi::xml_node &node, const std::string &message)
    {
        const TmxPlace place = file.place(node);
        warnings_.push_back({place.file, place.pos, "warning: " + message});
    }

    bool load_xml(const std::string &path, const TmxPlace &named_at, XmlFile &file);
    bool root_element(const XmlFile &file, const std::string &kind, pugi::xml_node &root);
    bool integer(const XmlFile &file, const pugi::xml_node &node, const char *name, long long low,
                 long long high, std::optional<long long> fallback, long long &value);
    bool map_element(const XmlFile &file, const pugi::xml_node &node);
    bool staggering(const XmlFile &file, const pugi::xml_node &node);
    bool map_size(const XmlFile &file, const pugi::xml_node &node);
    bool area(const XmlFile &file, const pugi::xml_node &node, const std::string &what,
              long long &width, long long &height);
    void map_warnings(const XmlFile &file, const pugi::xml_node &node);

    bool tileset(const XmlFile &file, const pugi::xml_node &node);
    bool tileset_file(const XmlFile &file, const pugi::xml_node &node, TmxTileset &set);
    bool tileset_body(const XmlFile &file, const pugi::xml_node &node, TmxTileset &set);
    bool atlas_grid(const XmlFile &file, const pugi::xml_node &node, TmxTileset &set);
    bool tile(const XmlFile &file, const pugi::xml_node &node, TmxTileset &set);
    bool image(const XmlFile &file, const pugi::xml_node &node, TmxImageUse &out);
    bool decoded_image(const XmlFile &file, const pugi::xml_node &node, const std::string &path,
                       std::shared_ptr<const TmxImage> &out);

    // The layers of the map or of a group `depth` groups deep.
    bool layers(const XmlFile &file, const pugi::xml_node &parent, Offset offset, int depth);
    bool object_layer(const XmlFile &file, const pugi::xml_node &node, Offset offset);
    bool start_object(const XmlFile &file, const pugi::xml_node &node, Offset offset);
    bool coordinate(const XmlFile &file, const pugi::xml_node &node, const char *name,
                    double &value);
    void layer_warnings(const XmlFile &file, const pugi::xml_node &node, const std::string &what);
    bool tile_layer(const XmlFile &file, const pugi::xml_node &node);
    bool cells(const XmlFile &file, const pugi::xml_node &holder, const DataForm &form,
               std::size_t count, TmxGids &gids);
    bool chunks(const XmlFile &file, const pugi::xml_node &data, std::vector<Chunk> &out);
    bool place_chunks(const XmlFile &file);

    const TmxOptions &options_;
    TmxMap &map_;
    Diagnostics &errors_;
    std::vector<Diagnostic> &warnings_;
    bool infinite_ = false;
    // The chunks of each tile layer of an infinite map, and all their cells together.
    std::vector<std::pair<DataForm, std::vector<Chunk>>> chunks_;
    std::uint64_t chunk_cells_ = 0;
    std::uint64_t xml_nodes_ = 0;
    // Each image file is decoded once, and each tileset file read once; a tileset file named
    // again counts its nodes again, as its copy costs as much.
    std::map<std::string, std::shared_ptr<const TmxImage>> images_;
    std::uint64_t decoded_pixels_ = 0;
    std::map<std::string, std::pair<TmxTileset, std::uint64_t>> tileset_files_;
};

bool Reader::load_xml(const std::string &path, const TmxPlace &named_at, XmlFile &file)
{
    file.path = path;
    std::string bytes, problem;
    if (!options_.read(path, options_.max_file_bytes, bytes, problem))
        return fail(named_at, "cannot read " + in_quotes(path) + ": " + problem);
    if (is_gzip(bytes)) {
        std::string unpacked;
        if (!gunzip(bytes, options_.max_file_bytes, unpacked, problem))
            return fail({path, {}}, problem);
        bytes.swap(unpacked);
    }
    SourcePos where;
    if (!file.parse(std::move(bytes), options_, xml_nodes_, problem, where))
        return fail({path, where}, problem);
    return true;
}

// The file's root element, which a Tiled map or tileset file names after what it holds.
bool Reader::root_element(const XmlFile &file, const std::string &kind, pugi::xml_node &root)
{
    root = file.doc.document_element();
    if (root.name() == kind)
        return true;
    return fail(file, root,
                "not a Tiled " + kind + ": the root element is <" + std::string(root.name()) +
                    ">, not <" + kind + ">");
}

bool Reader::integer(const XmlFile &file, const pugi::xml_node &node, const char *name,
                     long long low, long long high, std::optional<long long> fallback,
                     long long &value)
{
    const pugi::xml_attribute attribute = node.attribute(name);
    const std::string where = "<" + std::string(node.name()) + "> attribute " + name;
    if (!attribute) {
        if (!fallback)
            return fail(file, node, where + " is missing");
        value = *fallback;
        return true;
    }
    const std::string text = attribute.value();
    const char *end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, value);
    if (status != std::errc() || stop != end || text.empty())
        return fail(file, node, where + " is " + in_quotes(text) + ", not a whole number");
    if (value < low || value > high)
        return fail(file, node,
                    where + " is " + text + ", out of range " + std::to_string(low) + " to " +
                        std::to_string(high));
    return true;
}

bool Reader::read(const std::string &path)
{
    map_ = TmxMap{};
    map_.file = path;
    XmlFile file;
    pugi::xml_node root;
    if (!load_xml(path, {path, {}}, file) || !root_element(file, "map", root) ||
        !map_element(file, root))
        return false;
    for (const pugi::xml_node &child : root.children("tileset"))
        if (!tileset(file, child))
            return false;
    std::stable_sort(
        map_.tilesets.begin(), map_.tilesets.end(),
        [](const TmxTileset &a, const TmxTileset &b) { return a.firstgid < b.firstgid; });
    // A tile is named by one global id only: a tileset's ids end before the next one's begin, and
    // below the flip bits, so that no frame of an animation adds up to another tile.
    for (std::size_t i = 0; i < map_.tilesets.size(); ++i) {
        const TmxTileset &set = map_.tilesets[i];
        const std::uint64_t end = set.firstgid + static_cast<std::uint64_t>(set.id_count());
        const std::string ids = in_quotes(set.name) + " (" + std::to_string(set.firstgid) + " to " +
                                std::to_string(end - 1) + ")";
        if (end - 1 > TMX_GID_MASK)
            return fail(set.place, "the ids of tileset " + ids + " pass the largest tile id, " +
                                       std::to_string(TMX_GID_MASK));
        const TmxTileset *after = i + 1 < map_.tilesets.size() ? &map_.tilesets[i + 1] : nullptr;
        if (after && end > after->firstgid)
            return fail(after->place, "tileset " + in_quotes(after->name) + " starts at firstgid " +
                                          std::to_string(after->firstgid) + ", among the ids of " +
                                          ids);
    }
    if (!layers(file, root, {}, 0))
        return false;
    if (map_.layers.empty())
        return fail(file, root, "the map has no tile layer: there is nothing to convert");
    return !infinite_ || place_chunks(file);
}

bool Reader::map_element(const XmlFile &file, const pugi::xml_node &node)
{
    const std::string orientation = node.attribute("orientation").as_string("orthogonal");
    if (orientation == "staggered") {
        if (!staggering(file, node))
            return false;
    } else if (orientation != "orthogonal") {
        return fail(file, node,
                    "the map is " + orientation +
                        ": only orthogonal and staggered maps can be converted");
    }
    long long tile_width = 0, tile_height = 0;
    if (!integer(file, node, "tilewidth", 1, MAX_TILE_SIDE, std::nullopt, tile_width) ||
        !integer(file, node, "tileheight", 1, MAX_TILE_SIDE, std::nullopt, tile_height))
        return false;
    map_.tile_width = static_cast<int>(tile_width);
    map_.tile_height = static_cast<int>(tile_height);
    if (map_.staggered && (tile_width % 2 || tile_height % 2))
        return fail(file, node,
                    "a staggered map needs an even tile width and height, not " +
                        std::to_string(tile_width) + " x " + std::to_string(tile_height));
    if (!map_size(file, node))
        return false;
    map_warnings(file, node);
    return true;
}

bool Reader::staggering(const XmlFile &file, const pugi::xml_node &node)
{
    const std::string axis = node.attribute("staggeraxis").as_string("y");
    const std::string index = node.attribute("staggerindex").as_string("odd");
    if (axis != "y")
        return fail(file, node,
                    "staggeraxis " + in_quotes(axis) +
                        ": only maps staggered along y (shifted rows) convert");
    if (index != "odd" && index != "even")
        return fail(file, node, "staggerindex " + in_quotes(index) + " is neither odd nor even");
    map_.staggered = true;
    map_.stagger_even = index == "even";
    return true;
}

bool Reader::map_size(const XmlFile &file, const pugi::xml_node &node)
{
    long long infinite = 0, width = 0, height = 0;
    if (!integer(file, node, "infinite", 0, 1, 0, infinite))
        return false;
    infinite_ = infinite == 1;
    if (infinite_)
        return true;
    if (!area(file, node, "the map is", width, height))
        return false;
    map_.width = static_cast<int>(width);
    map_.height = static_cast<int>(height);
    return true;
}

// The width and height of the map or a chunk, each within the side's limit and together within
// the cap on cells; `what` begins the message about too many cells.
bool Reader::area(const XmlFile &file, const pugi::xml_node &node, const std::string &what,
                  long long &width, long long &height)
{
    if (!integer(file, node, "width", 1, MAX_MAP_SIDE, std::nullopt, width) ||
        !integer(file, node, "height", 1, MAX_MAP_SIDE, std::nullopt, height))
        return false;
    if (static_cast<std::uint64_t>(width * height) > options_.max_cells)
        return fail(file, node,
                    what + " " + std::to_string(width) + " x " + std::to_string(height) +
                        " cells, more than " + std::to_string(options_.max_cells));
    return true;
}

void Reader::map_warnings(const XmlFile &file, const pugi::xml_node &node)
{
    const std::string order = node.attribute("renderorder").as_string("right-down");
    if (order != "right-down")
        warn(file, node, "render order " + order + " left out: tiles are drawn right-down");
    if (node.attribute("backgroundcolor"))
        warn(file, node, "background colour left out");
    if (node.attribute("parallaxoriginx") || node.attribute("parallaxoriginy"))
        warn(file, node, "parallax origin left out");
    if (const pugi::xml_node properties = node.child("properties"))
        warn(file, properties, "map properties left out");
}

bool Reader::tileset(const XmlFile &file, const pugi::xml_node &node)
{
    TmxTileset set;
    long long firstgid = 0;
    if (!integer(file, node, "firstgid", 1, MAX_TILE_ID, std::nullopt, firstgid))
        return false;
    set.firstgid = static_cast<std::uint32_t>(firstgid);
    const bool read =
        node.attribute("source") ? tileset_file(file, node, set) : tileset_body(file, node, set);
    if (read)
        map_.tilesets.push_back(std::move(set));
    return read;
}

// A tileset file is read once; naming it again copies what was read, and counts its XML nodes
// again, as the copy costs as much.
bool Reader::tileset_file(const XmlFile &file, const pugi::xml_node &node, TmxTileset &set)
{
    const std::filesystem::path path =
        std::filesystem::path(file.path).parent_path() / node.attribute("source").value();
    const std::string key = file_key(path);
    const auto known = tileset_files_.find(key);
    if (known != tileset_files_.end()) {
        xml_nodes_ += known->second.second;
        if (xml_nodes_ > options_.max_xml_nodes)
            return fail(file, node,
                        too_many_xml_nodes(options_) + ", " + in_quotes(path.string()) +
                            " counted again");
        const std::uint32_t firstgid = set.firstgid;
        set = known->second.first;
        set.firstgid = firstgid;
        return true;
    }
    const std::uint64_t nodes_before = xml_nodes_;
    XmlFile tsx;
    pugi::xml_node root;
    if (!load_xml(path.string(), file.place(node), tsx) || !root_element(tsx, "tileset", root) ||
        !tileset_body(tsx, root, set))
        return false;
    tileset_files_.emplace(key, std::make_pair(set, xml_nodes_ - nodes_before));
    return true;
}

bool Reader::tileset_body(const XmlFile &file, const pugi::xml_node &node, TmxTileset &set)
{
    set.place = file.place(node);
    set.name = node.attribute("name").as_string();
    long long width = 0, height = 0, spacing = 0, margin = 0;
    if (!integer(file, node, "tilewidth", 1, MAX_TILE_SIDE, std::nullopt, width) ||
        !integer(file, node, "tileheight", 1, MAX_TILE_SIDE, std::nullopt, height) ||
        !integer(file, node, "spacing", 0, MAX_TILE_SIDE, 0, spacing) ||
        !integer(file, node, "margin", 0, MAX_TILE_SIDE, 0, margin))
        return false;
    set.tile_width = static_cast<int>(width);
    set.tile_height = static_cast<int>(height);
    set.spacing = static_cast<int>(spacing);
    set.margin = static_cast<int>(margin);
    if (std::string(node.attribute("tilerendersize").as_string("tile")) != "tile")
        return fail(file, node,
                    "tiles drawn at the grid's size (tilerendersize) cannot be "
                    "converted");
    if (const pugi::xml_node offset = node.child("tileoffset")) {
        long long x = 0, y = 0;
        if (!integer(file, offset, "x", -MAX_TILE_SIDE, MAX_TILE_SIDE, 0, x) ||
            !integer(file, offset, "y", -MAX_TILE_SIDE, MAX_TILE_SIDE, 0, y))
            return false;
        set.offset_x = static_cast<int>(x);
        set.offset_y = static_cast<int>(y);
    }
    if (const pugi::xml_node properties = node.child("properties"))
        warn(file, properties, "tileset " + in_quotes(set.name) + ": its properties left out");
    for (const pugi::xml_node &child : node.children("tile"))
        if (!tile(file, child, set))
            return false;
    const pugi::xml_node atlas = node.child("image");
    set.collection = !atlas;
    if (set.collection)
        return true;
    if (std::any_of(set.tiles.begin(), set.tiles.end(),
                    [](const auto &entry) { return entry.second.image >= 0; }))
        return fail(file, atlas, "a tileset has either one image or images of its own tiles");
    set.images.emplace_back();
    return image(file, atlas, set.images.back()) && atlas_grid(file, node, set);
}

// Tiles are cut from the margin on, as long as a whole tile fits; pixels left over at the right
// and bottom edges belong to no tile.
bool Reader::atlas_grid(const XmlFile &file, const pugi::xml_node &node, TmxTileset &set)
{
    const TmxImage &image = *set.images.back().image;
    auto fitting = [&](int size, int tile) {
        return size - set.margin < tile ? 0 : (size - set.margin - tile) / (tile + set.spacing) + 1;
    };
    set.columns = fitting(image.width, set.tile_width);
    const int rows = fitting(image.height, set.tile_height);
    set.capacity = set.columns * rows;
    const std::string sizes = "the " + std::to_string(image.width) + " x " +
                              std::to_string(image.height) + " image " + in_quotes(image.path);
    if (set.capacity == 0)
        return fail(file, node,
                    sizes + " holds no whole " + std::to_string(set.tile_width) + " x " +
                        std::to_string(set.tile_height) + " tile");
    long long declared = 0;
    if (!integer(file, node, "tilecount", 0, MAX_TILE_ID, set.capacity, declared))
        return false;
    if (declared > set.capacity)
        return fail(file, node,
                    "the tileset has " + std::to_string(declared) + " tiles, but " + sizes +
                        " holds only " + std::to_string(set.capacity));
    return true;
}

bool Reader::tile(const XmlFile &file, const pugi::xml_node &node, TmxTileset &set)
{
    long long id = 0;
    if (!integer(file, node, "id", 0, MAX_TILE_ID, std::nullopt, id))
        return false;
    TmxTile &tile = set.tiles[static_cast<int>(id)];
    tile.place = file.place(node);
    for (const pugi::xml_node &property : node.child("properties").children("property"))
        tile.properties.push_back(
            {property.attribute("name").as_string(), property.attribute("type").as_string("string"),
             property.attribute("value").as_string(property.text().get()), file.place(property)});
    for (const pugi::xml_node &frame : node.child("animation").children("frame")) {
        long long frame_tile = 0, duration = 0;
        if (!integer(file, frame, "tileid", 0, MAX_TILE_ID, std::nullopt, frame_tile) ||
            !integer(file, frame, "duration", 0, MAX_DURATION_MS, std::nullopt, duration))
            return false;
        tile.frames.push_back({static_cast<int>(frame_tile), static_cast<int>(duration)});
    }
    if (node.child("objectgroup"))
        warn(file, node.child("objectgroup"),
             "tileset " + in_quotes(set.name) + ", tile " + std::to_string(id) +
                 ": collision shapes left out");
    if (const pugi::xml_node own = node.child("image")) {
        tile.image = static_cast<int>(set.images.size());
        set.images.emplace_back();
        return image(file, own, set.images.back());
    }
    return true;
}

bool Reader::image(const XmlFile &file, const pugi::xml_node &node, TmxImageUse &out)
{
    if (node.child("data") || !node.attribute("source"))
        return fail(file, node,
                    "an image inside the map file cannot be read: save the image "
                    "as a PNG file of its own");
    const std::filesystem::path folder = std::filesystem::path(file.path).parent_path();
    if (const pugi::xml_attribute trans = node.attribute("trans")) {
        std::string key = trans.value();
        if (!key.empty() && key[0] == '#')
            key.erase(0, 1);
        unsigned value = 0;
        const auto [stop, status] = std::from_chars(key.data(), key.data() + key.size(), value, 16);
        if (key.size() != COLOUR_KEY_DIGITS || status != std::errc() ||
            stop != key.data() + key.size())
            return fail(file, node,
                        "trans " + in_quotes(trans.value()) +
                            " is not a colour of six hexadecimal digits");
        out.has_trans = true;
        out.trans = value;
    }
    return decoded_image(file, node, (folder / node.attribute("source").value()).string(),
                         out.image);
}

// The image file decoded, or shared with the tiles and tilesets that showed it before; the pixels
// of all images decoded stay within the import's budget.
bool Reader::decoded_image(const XmlFile &file, const pugi::xml_node &node, const std::string &path,
                           std::shared_ptr<const TmxImage> &out)
{
    const std::string key = file_key(path);
    const auto known = images_.find(key);
    if (known != images_.end()) {
        out = known->second;
        return true;
    }
    std::string bytes, problem;
    if (!options_.read(path, options_.max_file_bytes, bytes, problem))
        return fail(file, node,
                    "cannot read the tileset image " + in_quotes(path) + ": " + problem);
    const auto image = std::make_shared<TmxImage>();
    image->path = path;
    const std::uint64_t left = options_.max_decoded_pixels - decoded_pixels_;
    if (!decode_png(bytes, left, *image, problem)) {
        if (!problem.empty())
            return fail(file, node, "the tileset image " + in_quotes(path) + " " + problem);
        const std::string before = decoded_pixels_
                                       ? ", with the " + std::to_string(decoded_pixels_) +
                                             " pixels of the images before it"
                                       : "";
        return fail(file, node,
                    "the tileset image " + in_quotes(path) + " is " + std::to_string(image->width) +
                        " x " + std::to_string(image->height) + " pixels" + before +
                        ", " + past_budget(options_.max_decoded_pixels, "decoded pixels"));
    }
    decoded_pixels_ += static_cast<std::uint64_t>(image->width) * image->height;
    images_.emplace(key, image);
    out = image;
    return true;
}

bool Reader::layers(const XmlFile &file, const pugi::xml_node &parent, Offset offset, int depth)
{
    for (const pugi::xml_node &node : parent.children()) {
        const std::string kind = node.name();
        const std::string name = in_quotes(node.attribute("name").as_string());
        if (kind == "layer") {
            if (!tile_layer(file, node))
                return false;
        } else if (kind == "objectgroup") {
            if (!object_layer(file, node, offset))
                return false;
        } else if (kind == "imagelayer") {
            warn(file, node, "image layer " + name + " left out");
        } else if (kind == "group") {
            if (depth == MAX_GROUP_DEPTH)
                return fail(file, node,
                            "groups nested more than " + std::to_string(MAX_GROUP_DEPTH) + " deep");
            layer_warnings(file, node, "group " + name);
            if (!layers(file, node, moved_by(offset, node), depth + 1))
                return false;
        }
    }
    return true;
}

// Of the objects only the start has a place in a map file. A layer that held nothing else is
// not missed.
bool Reader::object_layer(const XmlFile &file, const pugi::xml_node &node, Offset offset)
{
    const Offset moved = moved_by(offset, node);
    bool start = false, others = false;
    for (const pugi::xml_node &object : node.children("object")) {
        if (std::string(object.attribute("name").as_string()) != TMX_START_OBJECT) {
            others = true;
        } else if (!start_object(file, object, moved)) {
            return false;
        } else {
            start = true;
        }
    }
    const std::string what = "object layer " + in_quotes(node.attribute("name").as_string());
    if (!start)
        warn(file, node, what + " left out");
    else if (others)
        warn(file, node, what + ": objects other than the start left out");
    return true;
}

bool Reader::start_object(const XmlFile &file, const pugi::xml_node &node, Offset offset)
{
    const TmxPlace place = file.place(node);
    if (map_.start)
        return fail(place, "a second object named " + in_quotes(TMX_START_OBJECT) +
                               ": the first is at line " +
                               std::to_string(map_.start->place.pos.line) + ", column " +
                               std::to_string(map_.start->place.pos.column));
    double x = 0, y = 0;
    if (!coordinate(file, node, "x", x) || !coordinate(file, node, "y", y))
        return false;
    map_.start = TmxStart{x + offset.x, y + offset.y, place};
    return true;
}

// A position in pixels, 0 when it is not given.
bool Reader::coordinate(const XmlFile &file, const pugi::xml_node &node, const char *name,
                        double &value)
{
    const std::string text = node.attribute(name).as_string("0");
    if (const std::optional<double> number = finite_number(text)) {
        value = *number;
        return true;
    }
    return fail(file, node,
                "<" + std::string(node.name()) + "> attribute " + name + " is " + in_quotes(text) +
                    ", not a number");
}

void Reader::layer_warnings(const XmlFile &file, const pugi::xml_node &node,
                            const std::string &what)
{
    if (node.attribute("opacity").as_double(1.0) < 1.0)
        warn(file, node, what + ": opacity " + node.attribute("opacity").value() + " left out");
    if (node.attribute("tintcolor"))
        warn(file, node, what + ": tint colour left out");
    if (node.attribute("offsetx").as_double(0) != 0 || node.attribute("offsety").as_double(0) != 0)
        warn(file, node, what + ": offset left out");
    if (node.attribute("parallaxx").as_double(1) != 1 ||
        node.attribute("parallaxy").as_double(1) != 1)
        warn(file, node, what + ": parallax factors left out");
    if (!node.attribute("visible").as_bool(true))
        warn(file, node, what + " is hidden in Tiled; the map shows it");
    if (const pugi::xml_node properties = node.child("properties"))
        warn(file, properties, what + ": properties left out");
}

bool Reader::tile_layer(const XmlFile &file, const pugi::xml_node &node)
{
    TmxLayer layer;
    layer.name = node.attribute("name").as_string();
    layer.place = file.place(node);
    const std::string what = "layer " + in_quotes(layer.name);
    if (map_.layers.size() == TMX_MAX_TILE_LAYERS)
        return fail(file, node,
                    what + " is a fifth tile layer: a map holds at most four (a "
                           "background and three foregrounds)");
    layer_warnings(file, node, what);
    const pugi::xml_node data = node.child("data");
    if (!data)
        return fail(file, node, what + " has no <data>");
    const DataForm form = data_form(node, data);
    if (infinite_) {
        chunks_.emplace_back(form, std::vector<Chunk>());
        if (!chunks(file, data, chunks_.back().second))
            return false;
    } else {
        long long width = 0, height = 0;
        if (!integer(file, node, "width", map_.width, map_.width, map_.width, width) ||
            !integer(file, node, "height", map_.height, map_.height, map_.height, height) ||
            !cells(file, data, form, static_cast<std::size_t>(width * height), layer.gids))
            return false;
    }
    map_.layers.push_back(std::move(layer));
    return true;
}

// The cells of a finite layer's <data> or of a <chunk>.
bool Reader::cells(const XmlFile &file, const pugi::xml_node &holder, const DataForm &form,
                   std::size_t count, TmxGids &gids)
{
    const std::string layer = "layer " + form.layer;
    if (!form.tile_elements) {
        std::string problem;
        if (!decode_layer_data(holder.text().get(), form.encoding, form.compression, count, gids,
                               problem))
            return fail(file, holder, layer + ": " + problem);
        return true;
    }
    gids.clear();
    for (const pugi::xml_node &tile : holder.children("tile")) {
        long long gid = 0;
        if (gids.size() == count)
            return fail(file, tile,
                        layer + ": more <tile> elements than its " + std::to_string(count) +
                            " cells");
        if (!integer(file, tile, "gid", 0, std::numeric_limits<std::uint32_t>::max(), 0, gid))
            return false;
        gids.push_back(static_cast<std::uint32_t>(gid));
    }
    if (gids.size() != count)
        return fail(file, holder,
                    layer + ": " + std::to_string(gids.size()) + " <tile> elements for its " +
                        std::to_string(count) + " cells");
    return true;
}

// The chunks' places and sizes, their cells counted against the budget before any is decoded.
bool Reader::chunks(const XmlFile &file, const pugi::xml_node &data, std::vector<Chunk> &out)
{
    for (const pugi::xml_node &node : data.children("chunk")) {
        Chunk chunk;
        long long width = 0, height = 0;
        if (!integer(file, node, "x", -MAX_CHUNK_POSITION, MAX_CHUNK_POSITION, std::nullopt,
                     chunk.x) ||
            !integer(file, node, "y", -MAX_CHUNK_POSITION, MAX_CHUNK_POSITION, std::nullopt,
                     chunk.y) ||
            !area(file, node, "a chunk of", width, height))
            return false;
        chunk.width = static_cast<int>(width);
        chunk.height = static_cast<int>(height);
        chunk.node = node;
        chunk_cells_ += static_cast<std::uint64_t>(width * height);
        if (chunk_cells_ > options_.max_chunk_cells)
            return fail(file, node,
                        "the chunks come to " + std::to_string(chunk_cells_) + " cells here, " +
                            past_budget(options_.max_chunk_cells, "chunk cells"));
        out.push_back(chunk);
    }
    return true;
}

// An infinite map becomes the bounding box of all its chunks; cells outside every chunk are
// empty. Each chunk is decoded straight into its place, so that only one is held at a time.
bool Reader::place_chunks(const XmlFile &file)
{
    long long left = 0, top = 0, right = 0, bottom = 0;
    bool any = false;
    for (const auto &[form, layer] : chunks_) {
        for (const Chunk &c : layer) {
            left = any ? std::min(left, c.x) : c.x;
            top = any ? std::min(top, c.y) : c.y;
            right = any ? std::max(right, c.x + c.width) : c.x + c.width;
            bottom = any ? std::max(bottom, c.y + c.height) : c.y + c.height;
            any = true;
        }
    }
    const TmxPlace at{map_.file, {}};
    if (!any)
        return fail(at, "the infinite map has no chunks: there are no cells to convert");
    const long long width = right - left, height = bottom - top;
    if (width > MAX_MAP_SIDE || height > MAX_MAP_SIDE ||
        static_cast<std::uint64_t>(width * height) > options_.max_cells)
        return fail(at, "the chunks span " + std::to_string(width) + " x " +
                            std::to_string(height) + " cells, more than a map can hold (" +
                            std::to_string(MAX_MAP_SIDE) + " a side, " +
                            std::to_string(options_.max_cells) + " cells)");
    map_.width = static_cast<int>(width);
    map_.height = static_cast<int>(height);
    map_.origin_x = static_cast<int>(left);
    map_.origin_y = static_cast<int>(top);
    TmxGids gids;
    for (std::size_t l = 0; l < chunks_.size(); ++l) {
        const auto &[form, layer] = chunks_[l];
        TmxGids &grid = map_.layers[l].gids;
        grid.assign(static_cast<std::size_t>(width * height), 0);
        for (const Chunk &c : layer) {
            if (!cells(file, c.node, form, static_cast<std::size_t>(c.width) * c.height, gids))
                return false;
            for (int y = 0; y < c.height; ++y)
                std::copy_n(gids.begin() + static_cast<long>(y) * c.width, c.width,
                            grid.begin() + (c.y - top + y) * width + (c.x - left));
        }
    }
    // The first row keeps Tiled's parity: with an odd top row the other rows are shifted.
    if (map_.staggered && (top % 2 != 0))
        map_.stagger_even = !map_.stagger_even;
    return true;
}

} // namespace

bool TmxTileset::has_tile(int id) const
{
    if (!collection)
        return id >= 0 && id < capacity;
    const auto found = tiles.find(id);
    return found != tiles.end() && found->second.image >= 0;
}

TmxTilePicture TmxTileset::picture(int id) const
{
    if (collection) {
        const TmxImageUse &own = images[static_cast<std::size_t>(tiles.at(id).image)];
        return {&own, 0, 0, own.image->width, own.image->height};
    }
    return {&images.front(), margin + id % columns * (tile_width + spacing),
            margin + id / columns * (tile_height + spacing), tile_width, tile_height};
}

int TmxTileset::id_count() const
{
    if (!collection)
        return capacity;
    int count = 0;
    for (const auto &[id, tile] : tiles)
        if (tile.image >= 0)
            count = id + 1;
    return count;
}

const TmxTile *TmxTileset::tile(int id) const
{
    const auto found = tiles.find(id);
    return found == tiles.end() ? nullptr : &found->second;
}

bool read_tmx(const std::string &path, const TmxOptions &options, TmxMap &map, Diagnostics &errors,
              std::vector<Diagnostic> &warnings)
{
    Reader reader(options, map, errors, warnings);
    return reader.read(path) && errors.empty();
}
