// The bytes of a Tiled map as they stand in its files: layer data in CSV or base64 (plain or
// compressed with zlib, gzip or zstd), whole files compressed with gzip (".tmx.gz"), and the size
// of the XML tree a file's text will become.
#ifndef TMXDATA_H
#define TMXDATA_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Global tile ids of a layer (or chunk), row by row; the top bits are flip flags.
using TmxGids = std::vector<std::uint32_t>;

// The text of a <data> element in encoding "csv" or "base64", the latter with compression ""
// (none), "zlib", "gzip" or "zstd", as exactly `count` global tile ids. False with a message in
// `problem` when the encoding or compression is unknown, the text is broken or it holds another
// number of ids.
bool decode_layer_data(std::string_view text, std::string_view encoding,
                       std::string_view compression, std::size_t count, TmxGids &gids,
                       std::string &problem);

// Standard base64 (RFC 4648) with blanks and line breaks between the characters.
bool decode_base64(std::string_view text, std::string &bytes, std::string &problem);

// True when the bytes begin as a gzip stream does.
bool is_gzip(std::string_view bytes);

// A whole gzip stream, such as a ".tmx.gz" file, of at most `limit` bytes once unpacked.
bool gunzip(std::string_view packed, std::size_t limit, std::string &bytes, std::string &problem);

// How much of an XML tree a text asks for, counted before the tree is built: its nodes (elements,
// attributes, texts that are more than blanks, CDATA sections). The text is read as pugixml
// reads UTF-8, so that however it is malformed, the tree built from it has no more nodes than
// counted. Adds the text's nodes to `nodes` (which may hold those of files read before); false
// at the first node past `max_nodes`, whose byte offset goes to `stop`.
bool count_xml(std::string_view text, std::uint64_t max_nodes, std::uint64_t &nodes,
               std::size_t &stop);

#endif
