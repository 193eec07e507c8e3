// Allocators, the hash table and the core utilities: checksum, random, strings, colours, paths, UTF, math, rays.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/allocator.h"
#include "core/color_util.h"
#include "core/crc32.h"
#include "core/easing.h"
#include "core/fast_math.h"
#include "core/hash_table.h"
#include "core/mat4.h"
#include "core/path_util.h"
#include "core/random.h"
#include "core/ray.h"
#include "core/rect.h"
#include "core/string_util.h"
#include "core/text_utf.h"
#include "tests/core/counting_allocator.h"
#include "tests/support/log_capture.h"

namespace {

uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }
void Fill(void* p, size_t size, uint8_t seed) {
    for (size_t i = 0; i < size; ++i) static_cast<uint8_t*>(p)[i] = static_cast<uint8_t>(seed + i * 7);
}
bool Holds(const void* p, size_t size, uint8_t seed) {
    for (size_t i = 0; i < size; ++i)
        if (static_cast<const uint8_t*>(p)[i] != static_cast<uint8_t>(seed + i * 7)) return false;
    return true;
}

TEST(AllocTest, HeadersAlignmentAndExactFrees) {
    CountingAllocator counting;
    for (size_t align : {0, 8, 16, 64, 256}) {
        for (size_t size : {0, 1, 1000}) {
            SCOPED_TRACE(testing::Message() << "size " << size << " align " << align);
            void* p = Alloc(&counting, size, align);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(Address(p) % (align > kDefaultAlignment ? align : kDefaultAlignment), 0u);
            const BlockHeader* header = GetBlockHeader(p);
            EXPECT_EQ(header->owner, &counting);
            EXPECT_EQ(header->total, size + align + kBlockHeaderSize);
            ASSERT_EQ(counting.live.size(), 1u);
            EXPECT_EQ(counting.live.begin()->second, header->total);
            EXPECT_EQ(Address(counting.live.begin()->first) + header->offset, Address(p));
            EXPECT_LE(header->offset, kBlockHeaderSize + (align ? align - 1 : 0));
            FreeObject(p);
            EXPECT_TRUE(counting.live.empty());
        }
    }
    EXPECT_EQ(counting.badFrees, 0u);
}

TEST(AllocTest, RejectsOverflowingAndMalformedRequests) {
    LogCapture log;
    EXPECT_EQ(Alloc(nullptr, SIZE_MAX, 0), nullptr);
    EXPECT_EQ(Alloc(nullptr, UINT32_MAX - kBlockHeaderSize + 1, 0), nullptr);
    EXPECT_EQ(Alloc(nullptr, 16, SIZE_MAX / 2 + 1), nullptr);
    EXPECT_EQ(Alloc(nullptr, 16, 24), nullptr);  // not a power of two
    EXPECT_TRUE(log.Contains("too large") && log.Contains("not a power of two"));
    void* p = Alloc(nullptr, 40, 0);
    Fill(p, 40, 9);
    EXPECT_EQ(Allocator::Realloc(p, SIZE_MAX - 15), nullptr);
    EXPECT_TRUE(Holds(p, 40, 9));
    Allocator::Free(p);
    log.Clear();
    EXPECT_EQ(PoolAllocator(nullptr, SIZE_MAX - 3, 2, 0, false), nullptr);
    EXPECT_EQ(PoolAllocator(nullptr, SIZE_MAX / 8, 100, 0, false), nullptr);
    EXPECT_EQ(LinearArena(nullptr, SIZE_MAX - 8), nullptr);
    EXPECT_GE(log.Count(), 2u);
}

TEST(AllocTest, FallbackLoopIsRefused) {
    Allocator* a = PoolAllocator(nullptr, 64, 1, 0, false);
    Allocator* b = PoolAllocator(nullptr, 64, 1, 0, false);
    Allocator::SetFallback(a, b);
    LogCapture log;
    Allocator::SetFallback(b, a);
    Allocator::SetFallback(a, a);
    EXPECT_TRUE(b->fallback == nullptr && a->fallback == b);
    EXPECT_EQ(log.Count(), 2u);
    void *p1 = Alloc(a, 8, 0), *p2 = Alloc(a, 8, 0);
    EXPECT_EQ(Alloc(a, 8, 0), nullptr);  // both full: the chain ends
    for (void* p : {p1, p2}) Allocator::Free(p);
    for (Allocator* pool : {a, b}) DestroyAllocator(pool);
}

TEST(PoolTest, ChainRoutingAndOddSizes) {
    CountingAllocator parent, tail;
    Allocator* a = PoolAllocator(&parent, 80, 4, 4, false);
    Allocator* b = PoolAllocator(&parent, 160, 3, 4, false);
    Allocator::SetFallback(a, b);
    Allocator::SetFallback(b, &tail);
    const std::pair<size_t, Allocator*> cases[] = {{1, a}, {64, a}, {65, b}, {144, b}, {145, &tail}};
    for (const auto& c : cases) {
        void* p = Alloc(a, c.first, 0);
        EXPECT_EQ(GetBlockHeader(p)->owner, c.second) << "size " << c.first;
        Allocator::Free(p);
    }
    void *first = Alloc(a, 8, 0), *second = Alloc(a, 8, 0);
    EXPECT_EQ(Address(second) - Address(first), 80u);
    for (void* p : {second, first}) Allocator::Free(p);
    for (Allocator* pool : {a, b}) DestroyAllocator(pool);
    EXPECT_TRUE(parent.live.empty());
    for (size_t align : {0, 4, 64}) {  // all give 16-byte aligned 48-byte steps
        Allocator* pool = PoolAllocator(nullptr, 41, 3, align, false);
        void *p1 = Alloc(pool, 20, 0), *p2 = Alloc(pool, 20, 0);
        EXPECT_TRUE(Address(p2) - Address(p1) == 48u && Address(p1) % 16 == 0u) << align;
        EXPECT_EQ(Allocator::Realloc(p1, 200), nullptr);  // no fallback: the old block stays
        for (void* p : {p1, p2}) Allocator::Free(p);
        DestroyAllocator(pool);
    }
}

TEST(LinearArenaTest, BumpsAndCopiesAndRunsOut) {
    CountingAllocator parent;
    Allocator* arena = LinearArena(&parent, 256);
    ASSERT_NE(arena, nullptr);
    void* p = Alloc(arena, 40, 0);  // raw 56 -> 64 with the next start rounded
    Fill(p, 40, 4);
    void* q = Allocator::Realloc(p, 80);
    ASSERT_EQ(Address(q) - Address(p), 64u);
    EXPECT_TRUE(Holds(q, 40, 4));
    EXPECT_NE(Alloc(arena, 40, 0), nullptr);  // fill 216
    EXPECT_EQ(Alloc(arena, 17, 0), nullptr);  // one byte past the end
    EXPECT_NE(Alloc(arena, 16, 0), nullptr);  // exactly to the end
    EXPECT_EQ(Alloc(arena, 0, 0), nullptr);
    Allocator::Free(q);  // nothing comes back
    EXPECT_EQ(Alloc(arena, 1, 0), nullptr);
    DestroyAllocator(arena);
    EXPECT_TRUE(parent.live.empty());
}

TEST(HashTableTest, ChainsCapacityAndCustomCompare) {
    CountingAllocator counting;
    HashTable* table = HashTableCreate(4, 4, nullptr, nullptr, &counting);
    EXPECT_EQ(counting.live.size(), 1u);  // one block for everything
    int v[5];
    for (int i = 0; i < 4; ++i) HashTableInsert(table, i < 3 ? 1 + 4 * i : 9, &v[i]);  // one bucket; 9 twice
    EXPECT_EQ(HashTableInsert(table, 2, &v[4]), nullptr);
    EXPECT_EQ(HashTableLookup(table, 9), &v[3]);  // the newest of a duplicate
    EXPECT_EQ(HashTableLookup(table, 13), nullptr);
    HashEntry* removed = HashTableRemove(table, 5);  // the middle of the chain
    ASSERT_TRUE(removed && removed->value == &v[1]);
    EXPECT_TRUE(HashTableLookup(table, 1) == &v[0] && HashTableLookup(table, 9) == &v[3]);
    EXPECT_EQ(HashTableRemove(table, 5), nullptr);
    HashEntry* newest = HashTableRemove(table, 9);
    EXPECT_EQ(HashTableLookup(table, 9), &v[2]);
    EXPECT_EQ(table->usedCount, 2u);
    EXPECT_EQ(HashTableInsert(table, 2, &v[4]), newest);  // freed entries are reused
    FreeObject(table);
    EXPECT_TRUE(counting.live.empty());

    table = HashTableCreate(16, 8, [](uint32_t) { return 7u; },
                            [](uint32_t a, uint32_t b) { return (a & 0xFF) == (b & 0xFF) ? 0 : 1; }, nullptr);
    EXPECT_EQ(HashTableInsert(table, 0x1234, &v[0])->hash, 7u);
    HashTableInsert(table, 0x5678, &v[1]);
    EXPECT_TRUE(HashTableLookup(table, 0xFF34) == &v[0] && HashTableLookup(table, 0x0078) == &v[1]);
    EXPECT_EQ(HashTableLookup(table, 0x0012), nullptr);
    FreeObject(table);
    EXPECT_EQ(HashTableCreate(0, 4, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(HashTableCreate(UINT32_MAX, UINT32_MAX, nullptr, nullptr, nullptr), nullptr);
}

TEST(Crc32Test, KnownValues) {
    EXPECT_EQ(Crc32("\x80\xFE", 2), 0x370DE1E6u);  // bytes above 0x7F are taken unsigned
    EXPECT_EQ(Crc32("123456789", 9), 0x0376E6E7u);
    EXPECT_EQ(Crc32("", 1), 0x4E08BFB4u);
    EXPECT_EQ(Crc32(nullptr, 0), 0xFFFFFFFFu);
}

TEST(RandomTest, SequencesAndRanges) {
    RandomState state;
    RandomSeed(&state, 0);
    for (uint32_t value : {1900725608u, 1900725064u, 559296695u, 107079455u}) EXPECT_EQ(Random(&state), value);
    RandomSeed(nullptr, 0);  // null means the global state
    EXPECT_EQ(Random(nullptr), 1900725608u);
    RandomSeed(&state, 12345);
    EXPECT_EQ(Random(&state), 3007383298u);  // does not move the global state
    EXPECT_EQ(Random(nullptr), 1900725064u);
    for (int i = 0; i < 100000; ++i) {
        int32_t s = RandomSpread(&state, 120, 220);
        float f = RandomSpreadFloat(&state, 8.0f, 2.0f);
        ASSERT_TRUE(s >= -100 && s < 340 && f >= 6.0f && f <= 10.0f) << s << " " << f;
    }
    EXPECT_EQ(RandomRange(&state, 5, 5), 5);  // empty ranges do not divide by zero
    EXPECT_EQ(RandomSpread(&state, 7, 0), 7);
    EXPECT_EQ(RandomSpreadFloat(&state, 1.5f, 0.0f), 1.5f);
}

TEST(StringTest, SplitAndTime) {
    using V = std::vector<std::string>;
    const struct { const char* text; char separator; size_t max; V pieces; } cases[] = {{"a//b", '/', 8, {"a", "", "b"}}, {"a/b/", '/', 8, {"a", "b", ""}}, {"", '/', 8, {}},
                 {"a/b", '/', 0, {}},              {"key=a=b", '=', 2, {"key", "a"}}, {"/", '/', 8, {"", ""}}};
    for (const auto& c : cases) {
        char buffer[64], *pieces[8];
        strcpy(buffer, c.text);
        size_t count = SplitString(buffer, c.separator, pieces, c.max);
        EXPECT_EQ(V(pieces, pieces + count), c.pieces) << c.text;
    }
    EXPECT_EQ(StrDup(nullptr), nullptr);
    char out[32];
    EXPECT_TRUE(FormatLocalTime(out, sizeof out, "QM%y%m%d%H%M%S.jpg") == 18u && strlen(out) == 18u);
    EXPECT_TRUE(FormatLocalTime(out, 5, "%Y/%m/%d") == 0u && out[0] == '\0');
}

TEST(ColorTest, MakeMultiplyAndScale) {
    EXPECT_EQ(MakeColor(300, 0, 0, 255), 0xFF0000FFu);
    EXPECT_EQ(MakeColor(1, 2, 3, 4), 0x04030201u);
    EXPECT_EQ(MultiplyColor(0x12345678u, 0), 0u);
    EXPECT_EQ(MultiplyColor(0x80808080, 0x80808080), 0x40404040u);  // 128*128/255 = 64.25
    const struct { uint32_t color; float factor; uint32_t expected; } cases[] = {{0x80C86432, 1.0f, 0x80C86432}, {0x11C86432, 2.0f, 0x11FFC864}, {0xFF030201, 0.5f, 0xFF020101},
                 {0x00FFFFFF, -1.0f, 0x00000000}, {0xAA646464, 0.333f, 0xAA212121}};
    for (const auto& c : cases) EXPECT_EQ(ScaleColorRgb(c.color, c.factor), c.expected) << c.factor;
}

TEST(RectAndPathTest, Tables) {
    const IntRect cases[][3] = {{{20, 20, 30, 30}, {0, 0, 10, 10}, {0, 0, 0, 0}},
                                {{0, 0, 100, 50}, {-10, 10, 40, 80}, {0, 10, 40, 50}},
                                {{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 0, 0}},  // touching: empty
                                {{0, 0, 10, 10}, {2, 3, 4, 5}, {2, 3, 4, 5}}};
    for (const auto& c : cases) {
        IntRect r = c[1];
        IntersectRect(c[0], &r);
        EXPECT_TRUE(r.left == c[2].left && r.top == c[2].top && r.right == c[2].right && r.bottom == c[2].bottom)
            << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
    const std::pair<const char*, const char*> extensions[] = {
        {"docs.old/readme", nullptr}, {"a.tar.gz", "gz"}, {"", nullptr}, {"dir\\b.png", "png"}, {"a.", ""}, {"x.y\\z", nullptr}};
    for (const auto& c : extensions) {
        const char* found = GetFileExtension(c.first);
        EXPECT_EQ(found ? std::string(found) : "<none>", c.second ? c.second : "<none>") << c.first;
    }
    const std::pair<std::string, std::string> strings[] = {
        {PathJoin("a/", "/b"), "a/b"}, {PathJoin("a", "b"), "a/b"}, {PathJoin("", "b"), "b"}, {PathJoin("a\\", "b"), "a\\b"},
        {PathJoin("a/", "//b"), "a//b"}, {GetDirectoryPart("model/unit/a.e3d"), "model/unit/"},
        {GetDirectoryPart("a\\b.png"), "a\\"}, {GetDirectoryPart("plain"), ""}, {ReplaceExtension("a", "png"), "a.png"},
        {ReplaceExtension("dir.x/a", "png"), "dir.x/a.png"}, {ReplaceExtension("se\\hit.wav", "adp"), "se\\hit.adp"},
        {ReplaceExtension("a.tar.gz", "zip"), "a.tar.zip"}};
    for (const auto& c : strings) EXPECT_EQ(c.first, c.second);
    EXPECT_EQ(PathJoin("d", std::string(5000, 'n').c_str()).size(), 5002u);
}

// Converts with a guard unit past the limit that must stay untouched.
template <typename To, typename From>
std::basic_string<To> Convert(size_t (*convert)(To*, size_t, const From*), const std::basic_string<From>& in, size_t limit) {
    std::vector<To> out(limit + 1, To{0x5A});
    size_t n = convert(out.data(), limit, in.c_str());
    EXPECT_EQ(out[limit], To{0x5A}) << "nothing written past the limit";
    if (limit == 0) return {};
    EXPECT_EQ(out[n], 0) << "terminated";
    return std::basic_string<To>(out.data(), n);
}
std::u16string ToUtf16(const std::string& utf8, size_t limit = 256) { return Convert(Utf8ToUtf16, utf8, limit); }
std::string ToUtf8(const std::u16string& utf16, size_t limit = 256) { return Convert(Utf16ToUtf8, utf16, limit); }

TEST(UtfTest, BoundariesAndMalformedInput) {
    const std::pair<std::string, std::u16string> both[] = {
        {"\x7F", u"\x7F"}, {"\xC2\x80", u"\x80"}, {"\xDF\xBF", u"\x7FF"}, {"\xE0\xA0\x80", u"\x800"},
        {"\xEF\xBF\xBF", u"\xFFFF"}, {"\xF0\x90\x80\x80", u"\xD800\xDC00"}, {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"a\xE3\x81\x82z", u"a\x3042z"}};
    for (const auto& c : both) {
        EXPECT_EQ(ToUtf16(c.first), c.second) << c.first;
        EXPECT_EQ(ToUtf8(c.second), c.first);
    }
    const std::pair<std::string, std::u16string> bad8[] = {
        {"\xE3", u"\xFFFD"}, {"\xE3\x81", u"\xFFFD"}, {"\xF0\x9F\x98", u"\xFFFD"}, {"\xE3x", u"\xFFFDx"},
        {"\xBF\x80", u"\xFFFD\xFFFD"}, {"\xC1\xBF", u"\xFFFD\xFFFD"}, {"\xE0\x80\x80", u"\xFFFD\xFFFD\xFFFD"},
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"}, {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},
        {"\xF8\x88\x80\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD"}, {"\xFF" "a", u"\xFFFD" "a"}};
    for (const auto& c : bad8) EXPECT_EQ(ToUtf16(c.first), c.second) << testing::PrintToString(c.first);
    const std::pair<std::u16string, std::string> bad16[] = {
        {u"\xD83D", "\xEF\xBF\xBD"}, {u"\xDE00x", "\xEF\xBF\xBDx"}, {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"}};
    for (const auto& c : bad16) EXPECT_EQ(ToUtf8(c.first), c.second);
    // A lead byte at the very end of its allocation must not read past the NUL.
    for (const char* text : {"\xE3", "\xF0\x9F", "ab\xEF\xBF"}) {
        std::vector<char> exact(text, text + strlen(text) + 1);
        char16_t out[8];
        size_t n = Utf8ToUtf16(out, 8, exact.data());
        EXPECT_TRUE(n >= 1 && out[n - 1] == 0xFFFD) << text;
    }
}

TEST(UtfTest, BufferLimits) {
    const std::pair<std::u16string, std::u16string> to16[] = {
        {ToUtf16("abc", 0), u""}, {ToUtf16("abc", 1), u""}, {ToUtf16("abc", 3), u"ab"}, {ToUtf16("abc", 4), u"abc"},
        {ToUtf16("a\xF0\x9F\x98\x80", 3), u"a"},  // a pair is never cut
        {ToUtf16("a\xF0\x9F\x98\x80", 4), u"a\xD83D\xDE00"}};
    for (const auto& c : to16) EXPECT_EQ(c.first, c.second);
    EXPECT_EQ(ToUtf16(std::string(2000, 'x'), 1024).size(), 1023u);
    const std::pair<std::string, std::string> to8[] = {
        {ToUtf8(u"abcdef", 0), ""}, {ToUtf8(u"abcdef", 3), ""}, {ToUtf8(u"abcdef", 4), "a"}, {ToUtf8(u"abcdef", 6), "abc"},
        {ToUtf8(u"\x3042\x3042", 6), "\xE3\x81\x82"}, {ToUtf8(u"\x3042\x3042", 7), "\xE3\x81\x82\xE3\x81\x82"},
        {ToUtf8(u"ab\xD83D\xDE00", 6), "ab"}, {ToUtf8(u"ab\xD83D\xDE00", 7), "ab\xF0\x9F\x98\x80"}};
    for (const auto& c : to8) EXPECT_EQ(c.first, c.second);
}

TEST(Mat4Test, NormalMatrixAndSingularInverse) {
    Mat4 n;
    Mat4::Set(&n, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    float normal[9];
    Mat4::GetNormalMatrix(normal, n);
    EXPECT_EQ(std::vector<float>(normal, normal + 9), (std::vector<float>{0, 1, 2, 4, 5, 6, 8, 9, 10}));
    Mat4 m = Mat4::Identity(), out;
    m.m[1] = m.m[5] = m.m[9] = m.m[13] = 0;  // zero row
    for (float& e : out.m) e = 42;
    EXPECT_EQ(Mat4::Inverse(&out, m), 0);
    for (float e : out.m) EXPECT_EQ(e, 42);
    float result[3];
    const int32_t viewport[4] = {0, 0, 100, 100};
    const float window[3] = {50, 50, 0.5f};
    EXPECT_EQ(Mat4::Unproject(result, m, viewport, window), 0);
}

TEST(FastMathTest, SqrtSinCosAndEasing) {
    EXPECT_TRUE(std::isnan(FastSqrt(-1)) && std::isnan(FastSqrt(NAN)) && FastSqrt(0) == 0 && std::signbit(FastSqrt(-0.0f)));
    for (float x : {1e-6f, 0.25f, 2.0f, 4.0f, 1234.5f, 1e12f})
        EXPECT_NEAR(FastSqrt(x), std::sqrt(x), std::sqrt(x) * 1e-6f) << x;
    float zero[3] = {0, 0, 0}, out[3];
    Vec3Normalize(zero, out);
    EXPECT_EQ(out[0] + out[1] + out[2], 0);
    for (int i = -3600; i <= 3600; ++i) {  // -2 pi to 2 pi, then several turns
        float radians = static_cast<float>(i) * 3.14159265f / 1800.0f;
        if (i % 100 == 0) radians *= 37;
        float s, c;
        SinCos(radians, &s, &c);
        ASSERT_NEAR(s, std::sin(double{radians}), 1e-5) << radians;
        ASSERT_NEAR(c, std::cos(double{radians}), 1e-5) << radians;
    }
    EXPECT_FLOAT_EQ(EaseInOut(0, 2, 10, 20), 10);
    EXPECT_FLOAT_EQ(EaseInOut(0.25f, 2, 10, 20), 11.25f);  // 10 + 5 x 0.5^2
    EXPECT_FLOAT_EQ(EaseInOut(0.75f, 3, 0, 8), 7.5f);      // 4 + 4 x (1 - 0.5^3)
    EXPECT_FLOAT_EQ(EaseInOut(1, 2, 10, 20), 20);
}

TEST(RayTest, TrianglesAndQuads) {
    const float a[3] = {0, 0, 0}, b[3] = {4, 0, 0}, c[3] = {0, 0, 4};  // on y = 0
    struct Case { float origin[3], direction[3]; int hit; bool written; float point[3]; } cases[] = {
        {{1, 5, 1}, {0, -1, 0}, 1, true, {1, 0, 1}},  // inside
        {{1, -5, 1}, {0, 1, 0}, 1, true, {1, 0, 1}},  // from below: both faces
        {{2, 3, 0}, {0, -2, 0}, 1, true, {2, 0, 0}},  // on an edge, unnormalised direction
        {{3, 5, 3}, {0, -1, 0}, 0, true, {3, 0, 3}},  // outside: plane hit still written
        {{1, 5, 1}, {0, 1, 0}, 0, false, {}},         // plane behind the origin
        {{1, 5, 1}, {1, 0, 0}, 0, false, {}},         // parallel
    };
    for (const Case& k : cases) {
        float hit[3] = {99, 99, 99};
        EXPECT_EQ(IntersectRayTriangle(k.origin, k.direction, a, b, c, hit), k.hit);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(hit[i], k.written ? k.point[i] : 99, 1e-5f);
    }
    float hit[3];
    EXPECT_EQ(IntersectRayTriangle(cases[0].origin, cases[0].direction, a, b, b, hit), 0);
    // A unit cell in strip order, split along either diagonal.
    const float p0[3] = {0, 0, 0}, p1[3] = {1, 0, 0}, p2[3] = {0, 0, 1}, p3[3] = {1, 0, 1};
    const float down[3] = {0, -1, 0};
    const float targets[][3] = {{0.2f, 3, 0.2f}, {0.8f, 3, 0.8f}, {0.9f, 3, 0.1f}, {0.1f, 3, 0.9f}};
    for (int diagonal : {0, 1}) {
        for (const auto& origin : targets) {
            EXPECT_EQ(IntersectRayQuad(origin, down, p0, p1, p2, p3, diagonal, hit), 1);
            EXPECT_TRUE(std::fabs(hit[0] - origin[0]) < 1e-6f && std::fabs(hit[2] - origin[2]) < 1e-6f);
        }
        const float outside[3] = {1.5f, 3, 0.5f};
        EXPECT_EQ(IntersectRayQuad(outside, down, p0, p1, p2, p3, diagonal, hit), 0);
    }
}

}  // namespace
