// Text box layout and drawing: the uncovered characters are placed line by
// line (wrapping at the box's width, except before the closing brackets that
// must not start a line), each line is aligned and optionally squeezed to the
// width, and every glyph becomes a quad over its atlas cell with its outline
// quad beneath it.
#include <GLES2/gl2.h>

#include <algorithm>

#include "core/color_util.h"
#include "gfx/font.h"
#include "gfx/gl_state.h"
#include "gfx/quad.h"
#include "gfx/std2d_batch.h"
#include "gfx/text_box.h"

namespace {

constexpr uint16_t kIdeographicSpace = 0x3000;
// Closing corner brackets never begin a line.
constexpr uint16_t kClosingCornerBracket = 0x300D;
constexpr uint16_t kClosingWhiteCornerBracket = 0x300F;

bool IsNarrow(uint16_t character) { return character <= 0xFF; }

// The quad of one cell at pen position (px, py); its size is the bitmap's,
// rounded up to even and kept inside the cell.
void AddGlyphQuad(TextBox* box, const GlyphCell* cell, int px, int py, uint32_t color) {
    int cellSize = Font::GetCellSize(box->font);
    int width = std::min((cell->width + 1) & ~1, cellSize);
    int height = std::min((cell->rows + 1) & ~1, cellSize);
    if (width <= 0 || height <= 0) return;
    QuadVertex quad[4];
    Quad::SetRect(quad, TruncateToInt32(static_cast<double>(px) + cell->left),
                  TruncateToInt32(static_cast<double>(py) + cell->top), width, height);
    Quad::SetTexRect(quad, cell->x, cell->y, width, height);
    Quad::SetColor(quad, color);
    if (box->flags & kTextBoxClip) Quad::Clip(quad, 1.0f, 1.0f, box->clip);
    QuadBatch::Add(box->batch, quad);
}

// Emits the characters [first, end) that make a line `lineWidth` wide.
void EmitLine(TextBox* box, uint32_t first, uint32_t end, float lineWidth) {
    if (lineWidth == 0.0f) return;
    float scale = box->scale;
    if ((box->flags & kTextBoxFitWidth) && box->width < lineWidth) scale = scale * box->width / lineWidth;
    float startX;
    switch (box->align) {
    case kTextAlignCentre:
        startX = box->x - lineWidth * scale / 2;
        break;
    case kTextAlignRight:
        startX = box->x + box->width / 2 - lineWidth * scale;
        break;
    default:
        startX = static_cast<float>(box->x - box->width / 2);
        break;
    }
    float startY = static_cast<float>(box->y - box->height / 2);
    bool fixed = (box->flags & kTextBoxFixedSpace) != 0;
    for (uint32_t i = first; i < end; ++i) {
        const TextBoxChar& record = box->chars[i];
        if (!record.glyph) continue;
        // Scaling moves each character's centre; its size stays. A script's
        // scale may be anything, so the pens are held to the int32 range.
        int32_t px = TruncateToInt32(startX + scale * record.x + (scale - 1.0f) * record.width * 0.5f + 0.5f);
        int32_t py = TruncateToInt32(startY + record.y + 0.5f);
        if (fixed) {
            px = TruncateToInt32(static_cast<double>(px) +
                                 TruncateToInt32((record.width - record.glyph->width) * 0.5f));
        }
        if (record.edgeGlyph && record.edge > 0)
            AddGlyphQuad(box, record.edgeGlyph, px, py, MultiplyColor(box->boxColor, record.edgeColor));
        AddGlyphQuad(box, record.glyph, px, py, MultiplyColor(box->boxColor, record.fontColor));
    }
}

// The caller holds the box's lock.
void LayOut(TextBox* box) {
    QuadBatch::Clear(box->batch);
    float lineHeight = static_cast<float>(box->fontSize + box->lineSpace);
    int lines = 1 + static_cast<int>(std::count_if(box->chars, box->chars + box->count,
                                                   [](const TextBoxChar& c) { return c.character == u'\n'; }));
    float y;
    switch (box->vertAlign) {
    case kTextAlignMiddle:
        y = box->height / 2 - lines * lineHeight * 0.5f;
        break;
    case kTextAlignBottom:
        y = box->height - lines * lineHeight;
        break;
    default:
        y = static_cast<float>(box->lineSpace / 2);
        break;
    }
    bool fixed = (box->flags & kTextBoxFixedSpace) != 0;
    float x = 0.0f;
    uint32_t lineStart = 0;
    for (uint32_t i = 0; i < box->shown; ++i) {
        TextBoxChar& record = box->chars[i];
        if (record.character == u'\n') {
            EmitLine(box, lineStart, i, x);
            lineStart = i + 1;
            x = 0.0f;
            y += lineHeight;
            continue;
        }
        if (record.character == u' ') {
            x += box->narrowSpace + (fixed ? record.size : record.size / 2);
            continue;
        }
        if (record.character == kIdeographicSpace) {
            x += box->wideSpace + record.size;
            continue;
        }
        if (!record.glyph) record.glyph = Font::AcquireGlyph(box->font, record.character, record.size, record.weight, 0);
        if (record.edge > 0 && !record.edgeGlyph)
            record.edgeGlyph = Font::AcquireGlyph(box->font, record.character, record.size, record.weight, record.edge);
        if (!record.glyph) continue;  // no room in the atlas: tried again at the next layout
        float advance = fixed ? record.size : record.glyph->advanceX;
        float width = (IsNarrow(record.character) ? box->narrowSpace : box->wideSpace) + advance;
        if (!(box->flags & kTextBoxFitWidth) && x + width > box->width && record.character != kClosingCornerBracket &&
            record.character != kClosingWhiteCornerBracket) {
            EmitLine(box, lineStart, i, x);
            lineStart = i;
            x = 0.0f;
            y += lineHeight;
        }
        record.x = x;
        record.y = y;
        record.width = width;
        x += width;
    }
    box->cursorX = x;
    box->cursorY = y;
    EmitLine(box, lineStart, box->shown, x);
}

}  // namespace

void TextBox::UpdateLayout(TextBox* box) {
    std::lock_guard<std::mutex> hold(box->lock);
    if (!(box->flags & kTextBoxDirty)) return;
    LayOut(box);
    box->flags &= ~kTextBoxDirty;
}

void TextBox::Draw(void* argument) {
    auto* box = static_cast<TextBox*>(argument);
    std::lock_guard<std::mutex> hold(box->lock);
    if (box->flags & kTextBoxDirty) {
        LayOut(box);
        box->flags &= ~kTextBoxDirty;
    }
    if (!(box->flags & kTextBoxVisible) || (box->flags & kTextBoxTransparent)) return;
    const Std2dDrawState state{Font::GetAtlasTexture(box->font), GL_CLAMP_TO_EDGE, GL_NEAREST, kBlendAlpha};
    DrawStd2dQuads(state, box->batch->vertices, box->batch->vertexCount / 4);
}
