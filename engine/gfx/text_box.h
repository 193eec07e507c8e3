// A message-window text box: UTF-8 text is appended, its glyphs are prepared
// on worker queue 0 one character per pass, a reveal task on queue 2
// uncovers the characters one at a time with a wait between them, and each
// draw lays the uncovered characters out (wrapping, alignment, fit to width,
// fixed spacing) into a quad batch, an outline quad under each glyph quad.
//
// The worker and the main thread share the records and counters under the
// box's lock; glyphs are only acquired (uploaded) on the main thread, in the
// layout. Everything but the glyph task runs on the main thread.
#pragma once

#include <cstdint>
#include <mutex>

#include "core/task_system.h"

struct Allocator;
struct Font;
struct GlyphCell;
struct QuadBatch;

enum TextBoxFlags : uint32_t {
    kTextBoxVisible = 1,
    kTextBoxTransparent = 2,  // box colour alpha 0
    kTextBoxFixedSpace = 4,
    kTextBoxFitWidth = 8,
    kTextBoxDirty = 16,  // lay out again before drawing
    kTextBoxSkip = 32,   // uncover everything prepared now
    kTextBoxClip = 64,
    kTextBoxTransformed = 128,  // scale or angle not neutral
};

enum TextBoxAlign : int32_t { kTextAlignLeft = 0, kTextAlignCentre = 1, kTextAlignRight = 2 };
enum TextBoxVertAlign : int32_t { kTextAlignTop = 0, kTextAlignMiddle = 1, kTextAlignBottom = 2 };

// One code unit per slot; 16-bit batch indices and five quads per slot cap
// the slots here.
constexpr int kTextBoxMaxChars = 3276;
// One SetTextUtf8 call converts into this many UTF-16 units, NUL included.
constexpr int kTextBoxUtf16Buffer = 1024;

struct TextBoxChar {
    GlyphCell* glyph;      // acquired by the layout; null until then
    GlyphCell* edgeGlyph;  // the outline, when edge > 0
    uint16_t character;    // UTF-16 code unit
    uint16_t size;         // the box's font size when the character was added
    int8_t weight;         // always 0
    int8_t edge;           // the box's edge value when the character was added
    uint32_t fontColor;
    uint32_t edgeColor;
    float x, y, width;  // layout, relative to the box's top-left corner
};

struct TextBox {
    Font* font;  // one reference held
    TextBoxChar* chars;
    QuadBatch* batch;  // maxChars * 5 quads
    // 0 <= shown <= prepared <= count <= maxChars between clears.
    uint16_t maxChars;
    uint16_t shown;
    uint16_t count;
    uint16_t prepared;
    uint16_t waitTime;  // updates between two characters
    uint16_t waitCounter;
    uint32_t flags;  // TextBoxFlags
    uint16_t fontSize;
    uint8_t edge;  // 0 = none; SetEdgeSize stores its argument + 1
    int8_t wideSpace;
    int8_t narrowSpace;  // for codes up to 0xFF
    int16_t lineSpace;
    int16_t x, y;  // the box's centre
    int16_t width, height;
    int32_t clip[4];  // left, top, right, bottom
    float cursorX, cursorY;
    float scale, angle;
    int32_t align, vertAlign;
    uint32_t boxColor, fontColor, edgeColor;  // RGBA8, red in the lowest byte
    Task revealTask;                          // queue 2, for the box's whole life
    Task glyphTask;                           // queue 0, while characters wait for glyphs
    int32_t glyphTaskQueued;
    std::mutex lock;

    // Null when the font is null or memory runs out. maxChars is clamped to
    // 1..kTextBoxMaxChars. The task system must be running.
    static TextBox* Create(Font* font, int maxChars, Allocator* allocator);
    // Takes the glyph task off queue 0 (waiting for a pass in progress) and
    // the reveal task off queue 2, releases the glyphs and the font.
    static void Destroy(TextBox* box);
    static void Clear(TextBox* box);
    // Appends the code units up to the first 0 while there is room; the rest
    // is dropped. With async the glyphs are prepared on queue 0; without,
    // all of them at once here, followed by one reveal step.
    static void SetText(TextBox* box, const char16_t* text, int async);
    // At most kTextBoxUtf16Buffer - 1 code units per call.
    static void SetTextUtf8(TextBox* box, const char* text, int async);
    static void Skip(TextBox* box);
    static bool IsAnimDone(TextBox* box);
    static int GetCursorX(TextBox* box);
    static int GetCursorY(TextBox* box);

    static void SetVisible(TextBox* box, bool visible);
    static void SetPos(TextBox* box, int x, int y);
    static void SetSize(TextBox* box, int width, int height);
    static void SetScale(TextBox* box, float scale);
    static void SetAngle(TextBox* box, float angle);  // stored and reported, not drawn
    static void SetClipRect(TextBox* box, int left, int top, int right, int bottom);
    static void SetColor(TextBox* box, uint32_t rgba);
    static void SetAlign(TextBox* box, int align);  // outside 0..2 means left
    static void SetVertAlign(TextBox* box, int align);
    static void SetFixedSpace(TextBox* box, bool fixed);
    static void SetAutoSpace(TextBox* box, bool fitToWidth);
    // These four apply to characters added later.
    static void SetFontSize(TextBox* box, int size);
    static void SetFontRGBA(TextBox* box, uint32_t rgba);
    static void SetEdgeSize(TextBox* box, int size);
    static void SetEdgeRGBA(TextBox* box, uint32_t rgba);
    static void SetCharSpace(TextBox* box, int wide, int narrow);
    static void SetLineSpace(TextBox* box, int space);
    // Also restarts the wait before the next character.
    static void SetWaitTime(TextBox* box, int updates);

    static bool IsVisible(TextBox* box);
    static int GetX(TextBox* box);
    static int GetY(TextBox* box);
    static int GetWidth(TextBox* box);
    static int GetHeight(TextBox* box);
    static float GetScale(TextBox* box);
    static float GetAngle(TextBox* box);

    // Lays the uncovered characters out into the batch when something changed.
    static void UpdateLayout(TextBox* box);
    // The layer draw callback; the argument is the box.
    static void Draw(void* box);
};
