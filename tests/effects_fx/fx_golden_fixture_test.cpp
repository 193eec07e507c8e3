// Effect files written out by hand, byte by byte from the format's tables,
// so that the reader is checked against the layout itself and not only
// against the writer (which could share a misreading with it).
#include <gtest/gtest.h>

#include "fx/effect.h"
#include "fx/effect_node_model.h"
#include "fx/effect_node_ribbon.h"
#include "fx/effect_node_ring.h"
#include "fx/effect_node_sprite.h"
#include "fx_test_support.h"

namespace {

// Version 0: one texture path, a sprite without renderer-common or sound block.
const uint8_t kSpriteV0[] = {
    0x53, 0x4B, 0x46, 0x45,  //   0 magic "SKFE"
    0x00, 0x00, 0x00, 0x00,  //   4 version 0
    0x01, 0x00, 0x00, 0x00,  //   8 texture count 1
    0x02, 0x00, 0x00, 0x00,  //  12 path units 2 (with the NUL)
    0x61, 0x00, 0x00, 0x00,  //  16 "a", NUL
    0xFF, 0xFF, 0xFF, 0xFF,  //  20 root type -1
    0x01, 0x00, 0x00, 0x00,  //  24 child count 1
    0x02, 0x00, 0x00, 0x00,  //  28 sprite type 2
    0x2C, 0x00, 0x00, 0x00,  //  32 common length 44
    0x05, 0x00, 0x00, 0x00,  //  36 max generation 5
    0x01, 0x00, 0x00, 0x00,  //  40 location bind 1
    0x02, 0x00, 0x00, 0x00,  //  44 rotation bind 2
    0x03, 0x00, 0x00, 0x00,  //  48 scale bind 3
    0x01, 0x00, 0x00, 0x00,  //  52 remove on life end
    0x00, 0x00, 0x00, 0x00,  //  56 remove with parent
    0x01, 0x00, 0x00, 0x00,  //  60 remove when children done
    0x1E, 0x00, 0x00, 0x00,  //  64 life max 30
    0x0A, 0x00, 0x00, 0x00,  //  68 life min 10
    0x00, 0x00, 0x00, 0x40,  //  72 generation interval 2.0
    0x00, 0x00, 0x80, 0x3F,  //  76 generation offset 1.0
    0x00, 0x00, 0x00, 0x00,  //  80 location kind 0 (fixed)
    0x0C, 0x00, 0x00, 0x00,  //  84 length 12
    0x00, 0x00, 0x20, 0x41,  //  88 x 10.0
    0x00, 0x00, 0xA0, 0x41,  //  92 y 20.0
    0x00, 0x00, 0x00, 0x00,  //  96 z 0
    0x01, 0x00, 0x00, 0x00,  // 100 gravity kind 1
    0x0C, 0x00, 0x00, 0x00,  // 104 length 12
    0x00, 0x00, 0x00, 0x00,  // 108 x 0
    0x00, 0x00, 0x80, 0xBF,  // 112 y -1.0
    0x00, 0x00, 0x00, 0x00,  // 116 z 0
    0x07, 0x00, 0x00, 0x00,  // 120 rotation kind 7: no body
    0x03, 0x00, 0x00, 0x00,  // 124 scale kind 3 (uniform PVA)
    0x18, 0x00, 0x00, 0x00,  // 128 length 24
    0x00, 0x00, 0x00, 0x40,  // 132 scale max 2.0
    0x00, 0x00, 0x80, 0x3F,  // 136 scale min 1.0
    0x00, 0x00, 0x00, 0x3F,  // 140 velocity max 0.5
    0x00, 0x00, 0x00, 0x00,  // 144 velocity min 0
    0x00, 0x00, 0x80, 0x3E,  // 148 acceleration max 0.25
    0x00, 0x00, 0x00, 0x00,  // 152 acceleration min 0
    0x00, 0x00, 0x00, 0x00,  // 156 generation rotate flag 0
    0x01, 0x00, 0x00, 0x00,  // 160 generation kind 1 (sphere)
    0x00, 0x00, 0x80, 0x40,  // 164 radius max 4.0
    0x00, 0x00, 0x00, 0x40,  // 168 radius min 2.0
    0x00, 0x00, 0x80, 0x3F,  // 172 x-rotation max 1.0
    0x00, 0x00, 0x00, 0x00,  // 176 x-rotation min 0
    0x00, 0x00, 0x00, 0x3F,  // 180 y-rotation max 0.5
    0x00, 0x00, 0x00, 0x00,  // 184 y-rotation min 0
    0x02, 0x00, 0x00, 0x00,  // 188 type record: type 2 again
    0x01, 0x00, 0x00, 0x00,  // 192 draw order 1
    0x02, 0x00, 0x00, 0x00,  // 196 blend 2 (below version 3)
    0x03, 0x00, 0x00, 0x00,  // 200 billboard 3
    0x00, 0x00, 0x00, 0x00,  // 204 all-colour kind 0
    0x0A, 0x14, 0x1E, 0x28,  // 208 colour 10, 20, 30, 40
    0x01, 0x00, 0x00, 0x00,  // 212 vertex colour kind 1
    0xFF, 0x00, 0x00, 0xFF,  // 216 lower left
    0x00, 0xFF, 0x00, 0xFF,  // 220 lower right
    0x00, 0x00, 0xFF, 0xFF,  // 224 upper left
    0xFF, 0xFF, 0xFF, 0x80,  // 228 upper right
    0x00, 0x00, 0x00, 0x00,  // 232 vertex position kind 0
    0x04, 0x00, 0x00, 0x00,  // 236 texture index 4 (below version 3)
    0x00, 0x00, 0x00, 0x00,  // 240 child count 0
};

// Version 4: a sound path, the magnification (every later field unaligned),
// a short common block and a ribbon with an HSV colour range.
const uint8_t kRibbonV4[] = {
    0x53, 0x4B, 0x46, 0x45,  //   0 magic
    0x04, 0x00, 0x00, 0x00,  //   4 version 4
    0x00, 0x00, 0x00, 0x00,  //   8 texture count 0
    0x01, 0x00, 0x00, 0x00,  //  12 sound count 1
    0x03, 0x00, 0x00, 0x00,  //  16 path units 3
    0x68, 0x00, 0x69, 0x00, 0x00, 0x00,  // 20 "hi", NUL
    0x00, 0x00, 0xC0, 0x3F,  //  26 magnification 1.5
    0xFF, 0xFF, 0xFF, 0xFF,  //  30 root
    0x01, 0x00, 0x00, 0x00,  //  34 child count 1
    0x03, 0x00, 0x00, 0x00,  //  38 ribbon type 3
    0x08, 0x00, 0x00, 0x00,  //  42 common length 8: the rest of the block is zero
    0x07, 0x00, 0x00, 0x00,  //  46 max generation 7
    0x01, 0x00, 0x00, 0x00,  //  50 location bind 1
    0x2A, 0x00, 0x00, 0x00,  //  54 location kind 42: no body
    0x05, 0x00, 0x00, 0x00,  //  58 gravity kind 5: no body
    0x04, 0x00, 0x00, 0x00,  //  62 rotation kind 4 (axis easing)
    0x34, 0x00, 0x00, 0x00,  //  66 length 52
    0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F,  // 70 axis max (0, 0, 1)
    0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F,  // 82 axis min (0, 0, 1)
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x3F,  //  94 angle start max 1.0, min 0.5
    0x00, 0x00, 0x80, 0x40, 0x00, 0x00, 0x00, 0x40,  // 102 angle end max 4.0, min 2.0
    0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F,  // 110 a 0, b 0, c 1.0
    0x00, 0x00, 0x00, 0x00,  // 122 scale kind 0 (fixed)
    0x0C, 0x00, 0x00, 0x00,  // 126 length 12
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F,  // 130 (1, 1, 1): none
    0x01, 0x00, 0x00, 0x00,  // 142 generation rotate flag 1
    0x02, 0x00, 0x00, 0x00,  // 146 generation kind 2 (model)
    0x03, 0x00, 0x00, 0x00,  // 150 model index 3
    0x01, 0x00, 0x00, 0x00,  // 154 pick mode 1
    0x00, 0x00, 0x00, 0x00,  // 158 renderer: texture index 0
    0x03, 0x00, 0x00, 0x00,  // 162 blend 3
    0x01, 0x00, 0x00, 0x00,  // 166 filter 1
    0x01, 0x00, 0x00, 0x00,  // 170 wrap 1 (no depth words below version 5)
    0x01, 0x00, 0x00, 0x00,  // 174 fade-in kind 1
    0x00, 0x00, 0x20, 0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F,  // 178 10 frames, a 0, b 0, c 1
    0x00, 0x00, 0x00, 0x00,  // 194 fade-out kind 0
    0x02, 0x00, 0x00, 0x00,  // 198 texture rectangle kind 2 (animation)
    0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x00, 0x3F,  // 202 x 0, y 0, w 0.25, h 0.5
    0x02, 0x00, 0x00, 0x00,  // 218 frames per picture 2
    0x04, 0x00, 0x00, 0x00,  // 222 pictures across 4
    0x02, 0x00, 0x00, 0x00,  // 226 pictures down 2
    0x01, 0x00, 0x00, 0x00,  // 230 loop mode 1
    0x03, 0x00, 0x00, 0x00,  // 234 type record: type 3 again (no blend from version 3 on)
    0x01, 0x00, 0x00, 0x00,  // 238 view dependent 1
    0x01, 0x00, 0x00, 0x00,  // 242 colour kind 1 (random)
    0x01, 0x00,              // 246 mode 1 (HSV), spare byte
    0xFC, 0xFF, 0xFF, 0xC8,  // 248 max 252, 255, 255, 200
    0x00, 0x80, 0x40, 0x64,  // 252 min 0, 128, 64, 100
    0x01, 0x00, 0x00, 0x00,  // 256 vertex colour kind 1
    0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x80, 0x80, 0x80,  // 260 left, right
    0x01, 0x00, 0x00, 0x00,  // 268 vertex position kind 1
    0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x40, 0x40,  // 272 left -2.0, right 3.0
    0x01, 0x00, 0x00, 0x00,  // 280 sound kind 1
    0x00, 0x00, 0x00, 0x00,  // 284 wave index 0
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x3F,  // 288 volume max 1.0, min 0.5
    0x00, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x00, 0x00,  // 296 pitch max 0.25, min 0
    0x01, 0x00, 0x00, 0x00,  // 304 pan kind 1
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0xBF,  // 308 pan max 1.0, min -1.0
    0x00, 0x00, 0x20, 0x41,  // 316 distance 10.0
    0x05, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // 320 delay max 5, min 2
    0x00, 0x00, 0x00, 0x00,  // 328 child count 0
    0xAA, 0xBB,              // 332 trailing bytes, ignored
};

// A keyless F-curve record: edges 0, offsets 0, start 0, length 0, step 1, 0 keys.
#define KEYLESS_CURVE \
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0

// Version 7: a model path, a model node with a location curve (behind its
// spare word) and a colour curve (with none).
const uint8_t kModelV7[] = {
    0x53, 0x4B, 0x46, 0x45,  //   0 magic
    0x07, 0x00, 0x00, 0x00,  //   4 version 7
    0x00, 0x00, 0x00, 0x00,  //   8 texture count 0
    0x00, 0x00, 0x00, 0x00,  //  12 sound count 0
    0x01, 0x00, 0x00, 0x00,  //  16 model count 1
    0x02, 0x00, 0x00, 0x00,  //  20 path units 2
    0x6D, 0x00, 0x00, 0x00,  //  24 "m", NUL
    0x00, 0x00, 0x80, 0x3F,  //  28 magnification 1.0
    0xFF, 0xFF, 0xFF, 0xFF,  //  32 root
    0x01, 0x00, 0x00, 0x00,  //  36 child count 1
    0x05, 0x00, 0x00, 0x00,  //  40 model type 5
    0x2C, 0x00, 0x00, 0x00,  //  44 common length 44
    0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 48 max generation 1, binds and removals 0
    0x3C, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00,  //  76 life 60, 60
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00,  //  84 interval 1.0, offset 0
    0x03, 0x00, 0x00, 0x00,  //  92 location kind 3 (curve)
    0xEF, 0xBE, 0xAD, 0xDE,  //  96 spare word, skipped
    0x00, 0x00, 0x00, 0x00,  // 100 x: start edge 0
    0x01, 0x00, 0x00, 0x00,  // 104 end edge 1
    0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x00,  // 108 offset max 0.5, min 0
    0x00, 0x00, 0x00, 0x00,  // 116 start frame 0
    0x02, 0x00, 0x00, 0x00,  // 120 length 2
    0x01, 0x00, 0x00, 0x00,  // 124 step 1
    0x03, 0x00, 0x00, 0x00,  // 128 key count 3
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x40,  // 132 keys 1, 2, 3
    KEYLESS_CURVE,           // 144 y
    KEYLESS_CURVE,           // 176 z
    0x00, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 208 gravity 0, length 12, zero
    0x00, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 228 rotation fixed zero: none
    0x05, 0x00, 0x00, 0x00,  // 248 scale kind 5 (curve)
    0x60, 0x00, 0x00, 0x00,  // 252 spare word
    KEYLESS_CURVE, KEYLESS_CURVE, KEYLESS_CURVE,  // 256 x, y, z
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 352 point, all zero
    0xFF, 0xFF, 0xFF, 0xFF,  // 384 renderer: texture index -1
    0x04, 0x00, 0x00, 0x00,  // 388 blend 4
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 392 filter 0, wrap 0
    0x00, 0x00, 0x00, 0x00,  // 400 depth test 0
    0x01, 0x00, 0x00, 0x00,  // 404 depth write 1
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 408 fade-in 0, fade-out 0
    0x03, 0x00, 0x00, 0x00,  // 416 texture rectangle kind 3 (scroll)
    0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F,  // 420 x 0, y 0, w 1, h 1
    0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0xBF,  // 436 scroll 0.5, -0.5
    0x05, 0x00, 0x00, 0x00,  // 444 type record: type 5 again
    0x00, 0x00, 0x00, 0x40,  // 448 magnification 2.0 (version 7)
    0x00, 0x00, 0x00, 0x00,  // 452 model index 0
    0xFF, 0xFF, 0xFF, 0xFF,  // 456 normal texture index -1
    0xFF, 0xFF, 0xFF, 0xFF,  // 460 lighting -1: off
    0x02, 0x00, 0x00, 0x00,  // 464 culling 2
    0x03, 0x00, 0x00, 0x00,  // 468 all-colour kind 3: four curves follow at once
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 472 r: edges, offsets, start, length
    0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,  // 496 step 1, 1 key
    0x00, 0x00, 0x96, 0x43,  // 504 key 300.0
    KEYLESS_CURVE, KEYLESS_CURVE, KEYLESS_CURVE,  // 508 g, b, a
    0x00, 0x00, 0x00, 0x00,  // 604 sound kind 0
    0x00, 0x00, 0x00, 0x00,  // 608 child count 0
};

// Version 2: a ring whose record carries its own blend and texture index.
const uint8_t kRingV2[] = {
    0x53, 0x4B, 0x46, 0x45,  //   0 magic
    0x02, 0x00, 0x00, 0x00,  //   4 version 2
    0x00, 0x00, 0x00, 0x00,  //   8 texture count 0
    0x00, 0x00, 0x00, 0x00,  //  12 sound count 0 (no model list before version 6)
    0x00, 0x00, 0x80, 0x3F,  //  16 magnification 1.0
    0xFF, 0xFF, 0xFF, 0xFF,  //  20 root
    0x01, 0x00, 0x00, 0x00,  //  24 child count 1
    0x04, 0x00, 0x00, 0x00,  //  28 ring type 4
    0x00, 0x00, 0x00, 0x00,  //  32 common length 0: all zero
    0x09, 0x00, 0x00, 0x00,  //  36 location kind 9: no body
    0x02, 0x00, 0x00, 0x00,  //  40 gravity kind 2: no body
    0x09, 0x00, 0x00, 0x00,  //  44 rotation kind 9
    0x09, 0x00, 0x00, 0x00,  //  48 scale kind 9
    0x00, 0x00, 0x00, 0x00,  //  52 generation rotate flag 0
    0x03, 0x00, 0x00, 0x00,  //  56 generation kind 3: no body
    0x04, 0x00, 0x00, 0x00,  //  60 type record: type 4 again
    0x01, 0x00, 0x00, 0x00,  //  64 draw order 1
    0x02, 0x00, 0x00, 0x00,  //  68 blend 2
    0x00, 0x00, 0x00, 0x00,  //  72 billboard 0
    0x10, 0x00, 0x00, 0x00,  //  76 vertex count 16
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB4, 0x43,  //  80 arc angle fixed 360.0
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0, 0, 0, 0,  // 88 outer point fixed (2, 0)
    0x01, 0x00, 0x00, 0x00,  // 100 inner point kind 1 (moving)
    0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0,  // 104 position (1, 0)-(1, 0)
    0x00, 0x00, 0x00, 0x3F, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x3F, 0, 0, 0, 0,  // 120 velocity (0.5, 0)
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 136 acceleration 0
    0x02, 0x00, 0x00, 0x00,  // 152 centre ratio kind 2 (easing)
    0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00, 0x3F,  // 156 start 0.5, 0.5
    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F,  // 164 end 1.0, 1.0
    0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F,  // 172 a 0, b 0, c 1
    0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF,  // 184 outer colour fixed red
    0x01, 0x00, 0x00, 0x00,  // 192 centre colour kind 1, no mode bytes below version 4
    0x00, 0xFF, 0x00, 0xFF, 0x00, 0x80, 0x00, 0x80,  // 196 max, min
    0x02, 0x00, 0x00, 0x00,  // 204 inner colour kind 2 (easing)
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,  // 208 start max, min
    0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10,  // 216 end max, min
    0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F,  // 224 a 0, b 0, c 1
    0x07, 0x00, 0x00, 0x00,  // 236 texture index 7
    0x00, 0x00, 0x00, 0x00,  // 240 sound kind 0
    0x00, 0x00, 0x00, 0x00,  // 244 child count 0
};

// The last offsets in the comments above, plus the last field's size.
static_assert(sizeof(kSpriteV0) == 244 && sizeof(kRibbonV4) == 334, "fixture sizes");
static_assert(sizeof(kModelV7) == 612 && sizeof(kRingV2) == 248, "fixture sizes");

class FxGolden : public testing::Test {
protected:
    template <size_t N>
    const Fx::EffectNode& Node(const uint8_t (&bytes)[N]) {
        effect_ = Fx::Effect::Create(&manager_, bytes, N);
        EXPECT_NE(effect_, nullptr);
        static const Fx::EffectNode kEmpty(nullptr);
        return effect_ != nullptr ? *effect_->GetRoot()->GetChild(0) : kEmpty;
    }
    void TearDown() override {
        if (effect_ != nullptr) effect_->Release();
    }
    FxTest::FakeManager manager_;
    Fx::Effect* effect_ = nullptr;
};

TEST_F(FxGolden, SpriteVersion0) {
    const auto& node = static_cast<const Fx::EffectNodeSprite&>(Node(kSpriteV0));
    ASSERT_EQ(node.GetType(), Fx::kNodeSprite);
    EXPECT_EQ(effect_->GetTexturePath(0), "a");
    EXPECT_EQ(effect_->GetSoundCount(), 0);
    EXPECT_EQ(effect_->GetMagnification(), 1.0f);
    const Fx::NodeCommon& c = node.common;
    EXPECT_EQ(std::vector<int>({c.maxGeneration, c.locationBind, c.rotationBind, c.scaleBind, c.removeOnLifeEnd,
                                c.removeWithParent, c.removeWhenChildrenDone, c.life.max, c.life.min}),
              std::vector<int>({5, 1, 2, 3, 1, 0, 1, 30, 10}));
    EXPECT_EQ(c.generationInterval, 2.0f);
    EXPECT_EQ(c.generationOffset, 1.0f);
    EXPECT_EQ(node.location.kind, Fx::kLocationFixed);
    EXPECT_EQ(node.location.fixed.y, 20.0f);
    EXPECT_EQ(node.gravity.value.y, -1.0f);
    EXPECT_EQ(node.rotation.kind, 7);
    EXPECT_EQ(node.scale.singlePva.acceleration.max, 0.25f);
    EXPECT_EQ(node.generationPoint.rotationY.max, 0.5f);
    EXPECT_FALSE(node.rendererCommon.depthTest);
    EXPECT_EQ(std::vector<int>({node.drawOrder, node.blend, node.billboard, node.textureIndex}),
              std::vector<int>({1, 2, 3, 4}));
    EXPECT_EQ(node.allColor.fixed, Fx::Color(10, 20, 30, 40));
    EXPECT_EQ(node.vertexColors[3], Fx::Color(255, 255, 255, 128));
    EXPECT_EQ(node.GetChildCount(), 0);
}

TEST_F(FxGolden, RibbonVersion4) {
    const auto& node = static_cast<const Fx::EffectNodeRibbon&>(Node(kRibbonV4));
    ASSERT_EQ(node.GetType(), Fx::kNodeRibbon);
    EXPECT_EQ(effect_->GetSoundPath(0), "hi");
    EXPECT_EQ(effect_->GetMagnification(), 1.5f);
    EXPECT_EQ(node.common.maxGeneration, 7);
    EXPECT_EQ(node.common.locationBind, 1);
    EXPECT_EQ(node.common.life.max, 0);  // past the short block
    EXPECT_EQ(node.location.kind, 42);
    EXPECT_EQ(node.gravity.kind, 5);
    EXPECT_EQ(node.rotation.axisEasing.axis.max.z, 1.0f);
    EXPECT_EQ(node.rotation.axisEasing.angle.end.min, 2.0f);
    EXPECT_EQ(node.rotation.axisEasing.angle.c, 1.0f);
    EXPECT_EQ(node.scale.kind, Fx::kParameterNone);
    EXPECT_EQ(node.generationPoint.modelIndex, 3);
    EXPECT_EQ(node.generationPoint.pickMode, 1);
    const Fx::RendererCommon& r = node.rendererCommon;
    EXPECT_TRUE(r.depthTest && !r.depthWrite);
    EXPECT_EQ(node.blend, 3);
    EXPECT_EQ(r.fadeIn.frames, 10.0f);
    EXPECT_EQ(r.uv.height, 0.5f);
    EXPECT_EQ(r.animation.picturesAcross, 4);
    EXPECT_EQ(r.animation.loopMode, 1);
    EXPECT_EQ(node.viewDependent, 1);
    EXPECT_EQ(node.randomColor.mode, Fx::kColorModeHsv);
    EXPECT_EQ(node.randomColor.max, Fx::Color(252, 255, 255, 200));
    EXPECT_EQ(node.randomColor.min, Fx::Color(0, 128, 64, 100));
    EXPECT_EQ(node.vertexColors[1], Fx::Color(128, 128, 128, 128));
    EXPECT_EQ(node.vertexPositions[0], -2.0f);
    EXPECT_EQ(node.vertexPositions[1], 3.0f);
    EXPECT_EQ(node.sound.pan.min, -1.0f);
    EXPECT_EQ(node.sound.distance, 10.0f);
    EXPECT_EQ(node.sound.delay.min, 2);
}

TEST_F(FxGolden, ModelVersion7) {
    const auto& node = static_cast<const Fx::EffectNodeModel&>(Node(kModelV7));
    ASSERT_EQ(node.GetType(), Fx::kNodeModel);
    EXPECT_EQ(effect_->GetModelPath(0), "m");
    ASSERT_NE(node.location.curve, nullptr);
    EXPECT_EQ(node.location.curve->x.GetValue(1), 2.0f);
    EXPECT_EQ(node.location.curve->x.offsetMax, 0.5f);
    EXPECT_EQ(node.location.curve->y.GetValue(1), 0.0f);
    EXPECT_EQ(node.rotation.kind, Fx::kParameterNone);
    EXPECT_EQ(node.scale.curve->z.GetValue(5), 1.0f);
    EXPECT_EQ(node.rendererCommon.textureIndex, -1);
    EXPECT_TRUE(!node.rendererCommon.depthTest && node.rendererCommon.depthWrite);
    EXPECT_EQ(node.rendererCommon.scrollSpeed.y, -0.5f);
    EXPECT_EQ(node.magnification, 2.0f);
    EXPECT_EQ(node.normalTextureIndex, -1);
    EXPECT_FALSE(node.lighting);
    EXPECT_EQ(node.culling, 2);
    ASSERT_NE(node.allColor.curve, nullptr);
    EXPECT_EQ(node.allColor.curve->r.GetValue(0), 300.0f);
    EXPECT_EQ(node.allColor.curve->a.GetValue(0), 255.0f);
}

TEST_F(FxGolden, RingVersion2) {
    const auto& node = static_cast<const Fx::EffectNodeRing&>(Node(kRingV2));
    ASSERT_EQ(node.GetType(), Fx::kNodeRing);
    EXPECT_EQ(node.common.maxGeneration, 0);
    EXPECT_EQ(node.generationPoint.kind, 3);
    EXPECT_EQ(node.drawOrder, 1);
    EXPECT_EQ(node.blend, 2);
    EXPECT_EQ(node.vertexCount, 16);
    EXPECT_EQ(node.arcAngle.fixed, 360.0f);
    EXPECT_EQ(node.outerLocation.fixed.x, 2.0f);
    EXPECT_EQ(node.innerLocation.velocity.min.x, 0.5f);
    EXPECT_EQ(node.centerRatio.easing.end.max, 1.0f);
    EXPECT_EQ(node.outerColor.fixed, Fx::Color(255, 0, 0, 255));
    EXPECT_EQ(node.centerColor.random.min, Fx::Color(0, 128, 0, 128));
    EXPECT_EQ(node.innerColor.easing.end.min, Fx::Color(13, 14, 15, 16));
    EXPECT_EQ(node.innerColor.easing.c, 1.0f);
    EXPECT_EQ(node.textureIndex, 7);
}

}  // namespace
