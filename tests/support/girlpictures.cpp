// The girl's picture table filled with test pictures, for the tests of drawing her.
#include "girlpictures.h"

#include "graphic.h"

void GirlPicturesTest::SetUp()
{
    HeadlessTest::SetUp();
    for (int entry = 0; entry < GIRL_PICTURES; ++entry) {
        girl[entry] = create_bitmap(girlpictures::WIDTH, girlpictures::HEIGHT);
        clear_to_color(girl[entry], entry + 1);
        putpixel(girl[entry], 0, 0, girlpictures::MARKER + entry);
    }
    target = create_bitmap(320, 240);
    clear_to_color(target, 0);
}

void GirlPicturesTest::TearDown()
{
    destroy_bitmap(target);
    for (BITMAP *&entry : girl) {
        destroy_bitmap(entry);
        entry = nullptr;
    }
    HeadlessTest::TearDown();
}
