// Palette components: Allegro keeps them in 6 bits, image and map files in 8.
#ifndef COLOUR_H
#define COLOUR_H

// Spread a 6-bit component over 0 to 255, so that 63 becomes 255 and 0 stays 0.
inline unsigned char component_8bit(unsigned char six_bit)
{
    return static_cast<unsigned char>((six_bit << 2) | (six_bit >> 4));
}

#endif
