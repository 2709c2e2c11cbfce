// Block animations: the reset after a load and by MapInitAnims, and the stepping of every
// animation type by MapUpdateAnims, countdowns included.
#include "loadertest.h"

using namespace loadertest;

namespace {

constexpr int SEQUENCE_ENTRIES = 14;

// Loads the sample map with `anim` as its only animation, over a sequence of 14 entries.
AnimStr &load_animation(const MapFileAnim &anim)
{
    MapFile m = sample_map();
    m.animseq.clear();
    for (int i = 0; i < SEQUENCE_ENTRIES; ++i)
        m.animseq.push_back(i % SAMPLE_GFX);
    m.anims = {anim};
    for (auto &layer : m.layers)
        for (short &cell : layer)
            cell = cell < 0 ? -1 : cell;
    const int loaded = MapDecode(encode(m).data());
    EXPECT_EQ(loaded, 0) << "maperror " << maperror;
    return mapanimstrendpt[-1];
}

MapFileAnim animation(int type, int first, int end, int delay = 0)
{
    MapFileAnim a;
    a.type = static_cast<std::int8_t>(type);
    a.first = first;
    a.end = end;
    a.delay = static_cast<std::uint8_t>(delay);
    return a;
}

// The frame shown after each of `updates` updates.
std::vector<int> frames(const AnimStr &a, int updates)
{
    std::vector<int> out;
    for (int i = 0; i < updates; ++i) {
        MapUpdateAnims();
        out.push_back(a.current);
    }
    return out;
}

struct Stepping {
    const char *name;
    int type, first, end, delay;
    int after_reset;            // current frame after the load's reset
    std::vector<int> shown;     // current frame after each update
    int final_type;
};

class AnimationSteps : public HeadlessTest, public ::testing::WithParamInterface<Stepping> {};

TEST_P(AnimationSteps, FramesFollowTheType)
{
    const Stepping &s = GetParam();
    AnimStr &a = load_animation(animation(s.type, s.first, s.end, s.delay));
    ASSERT_NE(mapanimstrpt, nullptr);
    EXPECT_EQ(a.current, s.after_reset);
    EXPECT_EQ(frames(a, static_cast<int>(s.shown.size())), s.shown);
    EXPECT_EQ(a.type, s.final_type);
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, AnimationSteps,
    ::testing::Values(
        Stepping{"LoopForward", 1, 10, 13, 0, 10, {11, 12, 10, 11}, 1},
        Stepping{"LoopReverse", 2, 10, 13, 0, 12, {11, 10, 12, 11}, 2},
        Stepping{"Once", 3, 10, 13, 0, 10, {11, 12, 10, 10, 10}, 9},
        Stepping{"OnceHold", 4, 10, 13, 0, 10, {11, 12, 12, 12}, 4},
        Stepping{"PingPongForward", 5, 10, 13, 0, 10, {11, 12, 11, 10, 11, 12, 11}, 8},
        Stepping{"PingPongForwardTwoFrames", 5, 10, 12, 0, 10, {11, 10, 11, 10}, 8},
        Stepping{"PingPongReverse", 6, 10, 13, 0, 12, {11, 10, 11, 12, 11}, 6},
        Stepping{"StoredReverseReturningStartsReverse", 7, 10, 13, 0, 12, {11, 10, 11}, 7},
        Stepping{"StoredForwardReturningStartsForward", 8, 10, 13, 0, 10, {11, 12, 11}, 8},
        Stepping{"StoredFinishedOnceStartsAgain", 9, 10, 13, 0, 10, {11, 12, 10}, 9},
        Stepping{"DelayTwoStepsEveryThirdUpdate", 1, 10, 13, 2, 10,
                 {10, 10, 11, 11, 11, 12, 12, 12, 10}, 1},
        Stepping{"EmptyStretchNeverMoves", 1, 10, 10, 0, 10, {10, 10, 10}, 1},
        Stepping{"EmptyReverseStretchShowsFirst", 2, 10, 10, 0, 10, {10, 10}, 2},
        Stepping{"NoneNeverMoves", 0, 10, 13, 0, 10, {10, 10, 10}, 0},
        Stepping{"UnknownTypeStandsStill", 12, 10, 13, 0, 10, {10, 10}, 12},
        Stepping{"WholeSequence", 1, 0, SEQUENCE_ENTRIES, 0, 0, {1, 2}, 1},
        Stepping{"LastEntryOnly", 6, 13, 14, 0, 13, {13, 13, 13}, 7}),
    [](const ::testing::TestParamInfo<Stepping> &info) { return info.param.name; });

using AnimationCountdown = HeadlessTest;

TEST_F(AnimationCountdown, SingleFramePingPongAlternatesItsTypes)
{
    AnimStr &a = load_animation(animation(anim_pingpong_forward, 10, 11));
    for (int i = 0; i < 4; ++i) {
        MapUpdateAnims();
        EXPECT_EQ(a.current, 10);
        EXPECT_EQ(a.type, i % 2 == 0 ? anim_pingpong_forward_returning : anim_pingpong_forward);
    }
}

// A delay of 128 reloads -128, which wraps to 127: one step every 129 updates.
TEST_F(AnimationCountdown, Delay128StepsEvery129Updates)
{
    AnimStr &a = load_animation(animation(anim_loop_forward, 0, 5, 128));
    for (int i = 0; i < 128; ++i)
        MapUpdateAnims();
    EXPECT_EQ(a.current, 0);
    MapUpdateAnims();
    EXPECT_EQ(a.current, 1);
    for (int i = 0; i < 128; ++i)
        MapUpdateAnims();
    EXPECT_EQ(a.current, 1);
    MapUpdateAnims();
    EXPECT_EQ(a.current, 2);
}

// Delays of 129 to 255 are negative bytes: the countdown is below 0 after every decrease.
TEST_F(AnimationCountdown, DelaysAbove128StepEveryUpdate)
{
    AnimStr &a = load_animation(animation(anim_loop_forward, 0, 5, 200));
    EXPECT_EQ(frames(a, 3), (std::vector<int>{1, 2, 3}));
}

TEST_F(AnimationCountdown, NoneKeepsItsCountdown)
{
    AnimStr &a = load_animation(animation(anim_none, 0, 5, 3));
    frames(a, 5);
    EXPECT_EQ(a.countdown, 3);
}

TEST_F(AnimationCountdown, FinishedOnceKeepsCountingWithoutMoving)
{
    AnimStr &a = load_animation(animation(anim_once, 3, 4, 5));
    frames(a, 6);
    ASSERT_EQ(a.type, anim_once_finished);
    EXPECT_EQ(a.countdown, 5);
    frames(a, 2);
    EXPECT_EQ(a.countdown, 3);
    EXPECT_EQ(a.current, 3);
}

TEST_F(AnimationCountdown, ResetRestartsAFinishedOnceAnimation)
{
    AnimStr &a = load_animation(animation(anim_once, 10, 13, 1));
    frames(a, 7);
    ASSERT_EQ(a.type, anim_once_finished);
    MapInitAnims();
    EXPECT_EQ(a.type, anim_once);
    EXPECT_EQ(a.current, 10);
    EXPECT_EQ(a.countdown, 1);
}

TEST_F(AnimationCountdown, ResetTurnsReturningPingPongsBack)
{
    AnimStr &a = load_animation(animation(anim_pingpong_reverse, 10, 13));
    frames(a, 3); // 11, 10, then turned into the returning half at 11
    ASSERT_EQ(a.type, anim_pingpong_reverse_returning);
    MapInitAnims();
    EXPECT_EQ(a.type, anim_pingpong_reverse);
    EXPECT_EQ(a.current, 12);
}

// The walk runs from the last record down to the end marker and never touches the marker.
TEST_F(AnimationCountdown, EveryAnimationStepsAndTheEndMarkerStaysAsStored)
{
    MapFile m = sample_map();
    ASSERT_EQ(MapDecode(encode(m).data()), 0);
    const AnimStr marker = mapanimstrpt[0];
    for (int i = 0; i < 5; ++i)
        MapUpdateAnims();
    EXPECT_EQ(mapanimstrpt[0].countdown, marker.countdown);
    EXPECT_EQ(mapanimstrpt[0].current, marker.current);
    EXPECT_EQ(mapanimstrendpt[-1].current, 1);  // loop forward 0..3, delay 2
    EXPECT_EQ(mapanimstrendpt[-2].current, 4);  // ping-pong 3..5 from 5, delay 0
}

TEST_F(AnimationCountdown, WithoutAnimationsBothOperationsDoNothing)
{
    MapInitAnims();
    MapUpdateAnims();
    EXPECT_TRUE(nothing_loaded());
    MapFile m = sample_map();
    m.anims.clear();
    m.animseq.clear();
    m.layers = {};
    ASSERT_EQ(MapDecode(encode(m).data()), 0);
    MapUpdateAnims();
    EXPECT_EQ(mapanimstrpt, nullptr);
}

} // namespace
