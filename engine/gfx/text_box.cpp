// Text box life, appending text, the glyph task (queue 0), the reveal step
// (queue 2) and the setters. The layout and drawing live in text_box_layout.cpp.
#include "gfx/text_box.h"

#include <algorithm>
#include <limits>
#include <new>

#include "core/allocator.h"
#include "core/text_utf.h"
#include "gfx/font.h"
#include "gfx/quad.h"

namespace {

constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;
constexpr int kQuadsPerChar = 5;

template <typename T>
T ClampTo(int value) {
    return static_cast<T>(std::clamp<int>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

bool IsBlank(uint16_t character) { return character == u'\n' || character == u' ' || character == 0x3000; }

// Prepares the next character's glyphs; the caller holds the lock.
void PrepareNextChar(TextBox* box) {
    const TextBoxChar& record = box->chars[box->prepared];
    if (!IsBlank(record.character)) {
        Font::PrepareGlyph(box->font, record.character, record.size, record.weight, 0);
        if (record.edge > 0) Font::PrepareGlyph(box->font, record.character, record.size, record.weight, record.edge);
    }
    ++box->prepared;
}

// Whether the next character's glyphs are ready without rendering; the caller holds the lock.
bool NextCharIsCached(TextBox* box) {
    const TextBoxChar& record = box->chars[box->prepared];
    if (IsBlank(record.character)) return true;
    if (!Font::IsGlyphCached(box->font, record.character, record.size, record.weight, 0)) return false;
    return record.edge <= 0 || Font::IsGlyphCached(box->font, record.character, record.size, record.weight, record.edge);
}

// Uncovers prepared characters as the wait allows; the caller holds the lock.
void RevealStep(TextBox* box) {
    while (box->shown < box->prepared) {
        if (!(box->flags & kTextBoxSkip) && box->waitCounter < box->waitTime) {
            ++box->waitCounter;
            break;
        }
        ++box->shown;
        box->waitCounter = 0;
        box->flags |= kTextBoxDirty;
    }
    if (box->shown >= box->count) box->flags &= ~kTextBoxSkip;
}

int RunGlyphTask(void* argument) {
    auto* box = static_cast<TextBox*>(argument);
    std::lock_guard<std::mutex> hold(box->lock);
    if (box->prepared < box->count) PrepareNextChar(box);
    if (box->prepared >= box->count) box->glyphTaskQueued = 0;
    return box->glyphTaskQueued == 0;
}

int RunRevealTask(void* argument) {
    auto* box = static_cast<TextBox*>(argument);
    std::lock_guard<std::mutex> hold(box->lock);
    RevealStep(box);
    return 0;  // lives as long as the box
}

void ReleaseGlyphs(TextBox* box) {
    for (uint32_t i = 0; i < box->count; ++i) {
        TextBoxChar& record = box->chars[i];
        if (record.glyph) Font::ReleaseGlyph(box->font, record.glyph);
        if (record.edgeGlyph) Font::ReleaseGlyph(box->font, record.edgeGlyph);
        record.glyph = record.edgeGlyph = nullptr;
    }
}

void UpdateTransformFlag(TextBox* box) {
    if (box->scale != 1.0f || box->angle != 0.0f) box->flags |= kTextBoxTransformed;
    else box->flags &= ~kTextBoxTransformed;
}

}  // namespace

TextBox* TextBox::Create(Font* font, int maxChars, Allocator* allocator) {
    if (!font) return nullptr;
    maxChars = std::clamp(maxChars, 1, kTextBoxMaxChars);
    size_t recordBytes = (sizeof(TextBox) + alignof(TextBoxChar) - 1) / alignof(TextBoxChar) * alignof(TextBoxChar);
    void* memory = Alloc(allocator, recordBytes + sizeof(TextBoxChar) * static_cast<size_t>(maxChars), 0);
    if (!memory) return nullptr;
    QuadBatch* batch = QuadBatch::Create(static_cast<uint32_t>(maxChars) * kQuadsPerChar, allocator);
    if (!batch) {
        Allocator::Free(memory);
        return nullptr;
    }
    auto* box = new (memory) TextBox{};
    box->chars = reinterpret_cast<TextBoxChar*>(static_cast<char*>(memory) + recordBytes);
    std::fill_n(box->chars, maxChars, TextBoxChar{});
    box->font = font;
    Font::AddRef(font);
    box->batch = batch;
    box->maxChars = static_cast<uint16_t>(maxChars);
    box->flags = kTextBoxVisible;
    box->fontSize = ClampTo<uint16_t>(Font::GetCellSize(font));
    box->width = 200;
    box->height = 200;
    box->scale = 1.0f;
    box->boxColor = kOpaqueWhite;
    box->fontColor = kOpaqueWhite;
    box->edgeColor = kOpaqueBlack;
    box->revealTask.callback = RunRevealTask;
    box->revealTask.argument = box;
    box->glyphTask.callback = RunGlyphTask;
    box->glyphTask.argument = box;
    TaskSystem::AddTask(kTaskQueueMain, &box->revealTask);
    Clear(box);
    return box;
}

void TextBox::Destroy(TextBox* box) {
    if (!box) return;
    // Waits for a glyph pass in progress, so the task node is never touched
    // by the queue after the box is gone.
    TaskSystem::RemoveTask(kTaskQueueBackground, &box->glyphTask);
    TaskSystem::RemoveTask(kTaskQueueMain, &box->revealTask);
    Clear(box);
    QuadBatch::Destroy(box->batch);
    Font::Release(box->font);
    box->~TextBox();
    Allocator::Free(box);
}

void TextBox::Clear(TextBox* box) {
    std::lock_guard<std::mutex> hold(box->lock);
    ReleaseGlyphs(box);
    box->shown = box->count = box->prepared = 0;
    box->waitCounter = 0;
    // A skip asked for the old text must not carry over to the next one.
    box->flags = (box->flags & ~kTextBoxSkip) | kTextBoxDirty;
    QuadBatch::Clear(box->batch);
}

void TextBox::SetText(TextBox* box, const char16_t* text, int async) {
    if (!box || !text) return;
    std::lock_guard<std::mutex> hold(box->lock);
    for (; *text && box->count < box->maxChars; ++text) {
        TextBoxChar& record = box->chars[box->count++];
        record = TextBoxChar{};
        record.character = static_cast<uint16_t>(*text);
        record.size = box->fontSize;
        record.weight = 0;
        record.edge = static_cast<int8_t>(box->edge);
        record.fontColor = box->fontColor;
        record.edgeColor = box->edgeColor;
    }
    if (async) {
        // Glyphs already in the cache cost nothing: prepared here, they show on
        // this frame's reveal step, so text set again never blanks for a frame.
        while (box->prepared < box->count && NextCharIsCached(box)) PrepareNextChar(box);
        if (!box->glyphTaskQueued && box->prepared < box->count) {
            box->glyphTaskQueued = 1;
            TaskSystem::AddTask(kTaskQueueBackground, &box->glyphTask);
        }
        return;
    }
    // A queued glyph task finds nothing left and finishes by itself.
    while (box->prepared < box->count) PrepareNextChar(box);
    RevealStep(box);
}

void TextBox::SetTextUtf8(TextBox* box, const char* text, int async) {
    if (!box || !text) return;
    char16_t buffer[kTextBoxUtf16Buffer];
    Utf8ToUtf16(buffer, kTextBoxUtf16Buffer, text);
    SetText(box, buffer, async);
}

void TextBox::Skip(TextBox* box) {
    std::lock_guard<std::mutex> hold(box->lock);
    if (box->shown < box->count) box->flags |= kTextBoxSkip;
}

bool TextBox::IsAnimDone(TextBox* box) {
    std::lock_guard<std::mutex> hold(box->lock);
    return box->shown >= box->count;
}

int TextBox::GetCursorX(TextBox* box) {
    std::lock_guard<std::mutex> hold(box->lock);
    return static_cast<int>(box->cursorX);
}

int TextBox::GetCursorY(TextBox* box) {
    std::lock_guard<std::mutex> hold(box->lock);
    return static_cast<int>(static_cast<float>((box->lineSpace + box->fontSize) / 2) + box->cursorY);
}

void TextBox::SetVisible(TextBox* box, bool visible) {
    std::lock_guard<std::mutex> hold(box->lock);
    if (visible) box->flags |= kTextBoxVisible;
    else box->flags &= ~kTextBoxVisible;
}

void TextBox::SetPos(TextBox* box, int x, int y) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->x = ClampTo<int16_t>(x);
    box->y = ClampTo<int16_t>(y);
    box->flags |= kTextBoxDirty;
}

void TextBox::SetSize(TextBox* box, int width, int height) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->width = ClampTo<int16_t>(width);
    box->height = ClampTo<int16_t>(height);
    box->flags |= kTextBoxDirty;
}

void TextBox::SetScale(TextBox* box, float scale) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->scale = scale;
    UpdateTransformFlag(box);
    box->flags |= kTextBoxDirty;
}

void TextBox::SetAngle(TextBox* box, float angle) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->angle = angle;
    UpdateTransformFlag(box);
    box->flags |= kTextBoxDirty;
}

void TextBox::SetClipRect(TextBox* box, int left, int top, int right, int bottom) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->clip[0] = left;
    box->clip[1] = top;
    box->clip[2] = right;
    box->clip[3] = bottom;
    if (left || top || right || bottom) box->flags |= kTextBoxClip;
    else box->flags &= ~kTextBoxClip;
    box->flags |= kTextBoxDirty;
}

void TextBox::SetColor(TextBox* box, uint32_t rgba) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->boxColor = rgba;
    if ((rgba >> 24) == 0) box->flags |= kTextBoxTransparent;
    else box->flags &= ~kTextBoxTransparent;
    box->flags |= kTextBoxDirty;
}

void TextBox::SetAlign(TextBox* box, int align) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->align = align >= kTextAlignLeft && align <= kTextAlignRight ? align : kTextAlignLeft;
    box->flags |= kTextBoxDirty;
}

void TextBox::SetVertAlign(TextBox* box, int align) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->vertAlign = align >= kTextAlignTop && align <= kTextAlignBottom ? align : kTextAlignTop;
    box->flags |= kTextBoxDirty;
}

void TextBox::SetFixedSpace(TextBox* box, bool fixed) {
    std::lock_guard<std::mutex> hold(box->lock);
    if (fixed) box->flags |= kTextBoxFixedSpace;
    else box->flags &= ~kTextBoxFixedSpace;
    box->flags |= kTextBoxDirty;
}

void TextBox::SetAutoSpace(TextBox* box, bool fitToWidth) {
    std::lock_guard<std::mutex> hold(box->lock);
    if (fitToWidth) box->flags |= kTextBoxFitWidth;
    else box->flags &= ~kTextBoxFitWidth;
    box->flags |= kTextBoxDirty;
}

void TextBox::SetFontSize(TextBox* box, int size) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->fontSize = ClampTo<uint16_t>(size);
}

void TextBox::SetFontRGBA(TextBox* box, uint32_t rgba) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->fontColor = rgba;
}

void TextBox::SetEdgeSize(TextBox* box, int size) {
    std::lock_guard<std::mutex> hold(box->lock);
    // Clamped in 64 bits: a script may pass the largest 32-bit value.
    box->edge = static_cast<uint8_t>(std::clamp<int64_t>(int64_t{size} + 1, 0, 127));
}

void TextBox::SetEdgeRGBA(TextBox* box, uint32_t rgba) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->edgeColor = rgba;
}

void TextBox::SetCharSpace(TextBox* box, int wide, int narrow) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->wideSpace = ClampTo<int8_t>(wide);
    box->narrowSpace = ClampTo<int8_t>(narrow);
    box->flags |= kTextBoxDirty;
}

void TextBox::SetLineSpace(TextBox* box, int space) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->lineSpace = ClampTo<int16_t>(space);
    box->flags |= kTextBoxDirty;
}

void TextBox::SetWaitTime(TextBox* box, int updates) {
    std::lock_guard<std::mutex> hold(box->lock);
    box->waitTime = ClampTo<uint16_t>(updates);
    box->waitCounter = 0;
}

bool TextBox::IsVisible(TextBox* box) {
    std::lock_guard<std::mutex> hold(box->lock);
    return (box->flags & kTextBoxVisible) != 0;
}

int TextBox::GetX(TextBox* box) { return box->x; }
int TextBox::GetY(TextBox* box) { return box->y; }
int TextBox::GetWidth(TextBox* box) { return box->width; }
int TextBox::GetHeight(TextBox* box) { return box->height; }
float TextBox::GetScale(TextBox* box) { return box->scale; }
float TextBox::GetAngle(TextBox* box) { return box->angle; }
