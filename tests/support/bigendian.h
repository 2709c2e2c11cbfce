// Big-endian numbers in byte images, the order of map files' chunk lengths and of the chunk
// data of big-endian maps.
#ifndef TESTS_BIGENDIAN_H
#define TESTS_BIGENDIAN_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

inline std::uint32_t get_be32(const std::vector<unsigned char> &b, std::size_t at)
{
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
           std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

inline void put_be32(std::vector<unsigned char> &b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

inline void put_be16(std::vector<unsigned char> &b, std::size_t at, int v)
{
    b[at] = static_cast<unsigned char>(v >> 8);
    b[at + 1] = static_cast<unsigned char>(v);
}

// 16-bit numbers one after the other.
inline std::vector<unsigned char> be16s(std::initializer_list<int> values)
{
    std::vector<unsigned char> out;
    for (int v : values) {
        out.push_back(static_cast<unsigned char>(v >> 8));
        out.push_back(static_cast<unsigned char>(v));
    }
    return out;
}

#endif
