// The App's event ring and the translation of pointer and key records into
// event words, driven with hand-made records.
#include "game/app_events.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/input.h"

namespace {

using Words = std::vector<int32_t>;

Words Drain(EventRing* ring) {
    Words words;
    int32_t word = 0;
    while (ring->Pop(&word)) words.push_back(word);
    return words;
}

TEST(EventRing, APairFitsOnlyWhileTwoWordsAreFreeAndQueuedWordsStayIntact) {
    struct Case { int queued; bool fits; } cases[] = {{0, true}, {61, true}, {62, true}, {63, false}, {64, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE("queued " + std::to_string(c.queued));
        EventRing ring;
        // Start half-way round so the stored words wrap past the end of the array.
        ring.Push(1, 2);
        ring.Push(3, 4);
        int32_t word = 0;
        for (int i = 0; i < 4; ++i) ring.Pop(&word);
        while (ring.count < c.queued - 1) ring.Push(ring.count, ring.count + 1);
        if (ring.count < c.queued) {
            ring.Push(ring.count, ring.count + 1);
            ring.Pop(&word);
        }
        ASSERT_EQ(ring.count, c.queued);
        Words before;
        {
            EventRing copy = ring;
            before = Drain(&copy);
        }
        ring.Push(7, 8);
        Words after = Drain(&ring);
        Words expected = before;
        if (c.fits) {
            expected.push_back(7);
            expected.push_back(8);
        }
        EXPECT_EQ(after, expected);
    }
}

// One frame's records: pointers 0 (left), 1 (right), 2 (wheel) and the keys.
struct Frame {
    PointerState left{}, right{}, wheel{};
    ControllerState keys{};
};

PointerState Button(uint32_t state, int32_t x, int32_t y, int32_t pushX, int32_t pushY) {
    PointerState pointer{};
    pointer.state = state;
    pointer.history[0][0] = x;
    pointer.history[0][1] = y;
    pointer.pushX = pushX;
    pointer.pushY = pushY;
    return pointer;
}

Words Translate(const std::vector<Frame>& frames, uint32_t dragReported = 0) {
    EventRing ring;
    Words words;
    for (const Frame& frame : frames) {
        QueueInputEvents(frame.left, frame.right, frame.wheel, frame.keys, &dragReported, &ring);
        Words one = Drain(&ring);
        words.insert(words.end(), one.begin(), one.end());
    }
    return words;
}

TEST(InputEvents, RightReleaseIsAClickOnlyBelowEightPixels) {
    struct Case { int32_t x, y, pushX, pushY; bool click; } cases[] = {
        {100, 100, 100, 100, true},
        {107, 100, 100, 100, true},   // 49
        {100, 93, 100, 100, true},
        {105, 105, 100, 100, true},   // 50
        {104, 107, 100, 100, false},  // 65
        {108, 100, 100, 100, false},  // 64
        {100, 108, 100, 100, false},
        {92, 100, 100, 100, false},
        {106, 106, 100, 100, false},  // 72
        {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, false},  // far beyond 32 bits, no overflow
        {INT32_MIN, 0, INT32_MAX, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        Frame release;
        release.right = Button(kButtonReleased, c.x, c.y, c.pushX, c.pushY);
        EXPECT_EQ(Translate({release}), c.click ? (Words{0, 0, 3, 0}) : (Words{0, 0}));
    }
}

TEST(InputEvents, DragDirectionTestsXBeforeYAndNeedsThirtyPixels) {
    struct Case {
        int32_t dx, dy;
        int32_t direction;  // -1 = no drag
    } cases[] = {
        {30, 0, 1},  {-30, 0, 0}, {0, -30, 2}, {0, 30, 3},
        {40, -40, 1},   // right and up: x wins
        {-40, 40, 0},   // left and down: x wins
        {29, -40, 2},   // x below the threshold: y decides
        {-29, 31, 3},
        {29, 29, -1},  {-29, -29, -1}, {0, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dx) + "," + std::to_string(c.dy));
        Frame held;
        held.right = Button(kButtonHeld, 500 + c.dx, 400 + c.dy, 500, 400);
        Words expected = {0, 0};
        if (c.direction >= 0) {
            expected.push_back(4);
            expected.push_back(c.direction);
        }
        EXPECT_EQ(Translate({held}), expected);
    }
}

TEST(InputEvents, AFullRingDropsWholePairsOnly) {
    EventRing ring;
    for (int i = 0; i < 30; ++i) ring.Push(9, i);  // 60 words
    Frame frame;
    frame.left.state = kButtonPushed;
    frame.keys.states[1] = kButtonPushed;
    uint32_t drag = 0;
    QueueInputEvents(frame.left, frame.right, frame.wheel, frame.keys, &drag, &ring);
    // Room for the tick and the push; the key pair does not fit.
    ASSERT_EQ(ring.count, 64);
    Words words = Drain(&ring);
    EXPECT_EQ(Words(words.end() - 4, words.end()), (Words{0, 0, 1, 0}));
}

}  // namespace
