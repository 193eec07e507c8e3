// The field markers: lists of quads cut from the cells' drawn tops, their
// atlas tiles and animation, and the two draw passes from client memory.
#include "game/field_markers.h"

#include <GLES2/gl2.h>

#include <cmath>
#include <cstring>

#include "core/mat4.h"
#include "game/battle_files.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/material_shader.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

namespace {

constexpr float kAtlasWidth = 512.0f, kAtlasHeight = 256.0f;
constexpr float kPi = 3.14159265358979323846f;

const GlVertexAttrib kMarkerRows[3] = {
    {"a_Position", GL_FLOAT, 3, 0, 0},
    {"a_TexCoord", GL_FLOAT, 2, 12, 0},
    {"a_Color", GL_UNSIGNED_BYTE, 4, 20, 1},
};

constexpr uint32_t White(uint8_t alpha) { return 0x00FFFFFFu | uint32_t{alpha} << 24; }

void SetColour(MarkerVertex* quad, uint32_t colour) {
    for (int k = 0; k < 4; ++k) quad[k].colour = colour;
}

// Corners 0, 1 on the tile's left edge, 2, 3 on its right; 0, 2 at its top.
void SetUprightUV(MarkerVertex* quad, const MarkerTile& tile) { QmFieldMarkers::SetQuadUV(quad, 1, tile); }

void FillPlainIndices(std::vector<uint16_t>* indices, int32_t quads) {
    static const uint16_t kPlain[6] = {0, 1, 2, 3, 2, 1};
    indices->resize(static_cast<size_t>(quads) * 6);
    for (int32_t q = 0; q < quads; ++q) {
        for (int i = 0; i < 6; ++i) (*indices)[static_cast<size_t>(q) * 6 + i] = static_cast<uint16_t>(q * 4 + kPlain[i]);
    }
}

// x (1 - x^2/3! + x^4/5! - ... - x^10/11!), good on [-pi, pi].
float MarkerSin(float x) {
    const float x2 = x * x;
    return x * (1.0f - x2 / 6.0f * (1.0f - x2 / 20.0f * (1.0f - x2 / 42.0f * (1.0f - x2 / 72.0f * (1.0f - x2 / 110.0f)))));
}

}  // namespace

const MarkerTile kCursorTile = {0, 152, 96, 96};
const MarkerTile kArrowTile = {96, 152, 96, 96};
const MarkerTile kRouteEndTile = {344, 8, 64, 64};
const MarkerTile kRouteStartTile = {424, 8, 64, 64};
const MarkerTile kRouteStraightTile = {344, 88, 64, 64};
const MarkerTile kRouteTurnClockwiseTile = {264, 88, 64, 64};
const MarkerTile kRouteTurnOtherTile = {424, 88, 64, 64};

MarkerTile PanelTile(int32_t colour, int32_t col, int32_t row, uint32_t frame) {
    if (colour == 3) return MarkerTile{264, 8, 64, 64};
    const int32_t scroll = static_cast<int32_t>(frame % 120) * 64 / 120;
    return MarkerTile{colour * 80 + 8 + 32 * (col & 1), 8 + 32 * (row & 1) + scroll, 32, 32};
}

float CursorPulse(uint32_t frame) {
    float phase = std::fmod(static_cast<float>(frame) / (2.0f * kPi) + kPi, 2.0f * kPi);
    if (phase < 0) phase += 2.0f * kPi;
    return (2.0f * MarkerSin(phase - kPi) + 64.0f) / 64.0f;
}

QmFieldMarkers::QmFieldMarkers() = default;

QmFieldMarkers::~QmFieldMarkers() { Destroy(); }

void QmFieldMarkers::Init(int32_t panelProgram) {
    program = panelProgram;
    panels.clear();
    panels.reserve(kMarkerMaxPanels);
    panelVertices.assign(static_cast<size_t>(kMarkerMaxPanels) * 4, MarkerVertex{});
    FillPlainIndices(&panelIndices, kMarkerMaxPanels);
    routeVertices.assign(static_cast<size_t>(kMarkerMaxRoute) * 4, MarkerVertex{});
    FillPlainIndices(&routeIndices, kMarkerMaxRoute);
    shadowVertices.assign(static_cast<size_t>(kMarkerMaxShadows) * 4, MarkerVertex{});
    FillPlainIndices(&shadowIndices, kMarkerMaxShadows);
    routeCount = shadowCount = 0;
    routeVisible = false;
    cursorVisible = true;
    cursorCell[0] = cursorCell[1] = cursorCell[2] = -1.0f;
    arrowVisible = false;
    frame = 0;
    attribProgram_ = -1;
    panelsFullLogged_ = shadowsFullLogged_ = false;
}

void QmFieldMarkers::Link(QmField* linked) {
    field = linked;
    if (field) field->markers = this;
}

bool QmFieldMarkers::LoadTextures(FsMgr* fs, Allocator* allocator) {
    auto load = [&](Texture** texture, const char* name, const char* undrawn) {
        Texture::Release(*texture);
        *texture = BattleFileThere(fs, name, undrawn) ? Texture::Load(name, fs, allocator) : nullptr;
    };
    load(&panelTexture, "img/panel.png",
         "range panels, route arrows, cursor and direction arrow are drawn without a picture");
    load(&shadowTexture, "img/shadow.png", "the units' shadows are drawn without a picture");
    return panelTexture && shadowTexture;
}

void QmFieldMarkers::Destroy() {
    Texture::Release(panelTexture);
    Texture::Release(shadowTexture);
    panelTexture = shadowTexture = nullptr;
    if (field && field->markers == this) field->markers = nullptr;
    field = nullptr;
    panels.clear();
    routeCount = shadowCount = 0;
}

void QmFieldMarkers::ClearPanels() {
    panels.clear();
    panelsFullLogged_ = false;
}

void QmFieldMarkers::AddPanel(const float position[3], int32_t colour) {
    if (!field || panelVertices.empty()) return;
    const int32_t n = static_cast<int32_t>(panels.size());
    if (n >= kMarkerMaxPanels) {
        if (!panelsFullLogged_) LogWarning("Range panels are limited to %d; the rest are not shown.", kMarkerMaxPanels);
        panelsFullLogged_ = true;
        return;
    }
    MarkerVertex* quad = &panelVertices[static_cast<size_t>(n) * 4];
    field->GetCellQuad(quad, &panelIndices[static_cast<size_t>(n) * 6], static_cast<uint16_t>(n * 4), position);
    SetColour(quad, White(0));
    panels.push_back(PanelEntry{n, colour, {position[0], position[1], position[2]}});
}

void QmFieldMarkers::ClearShadows() {
    shadowCount = 0;
    shadowsFullLogged_ = false;
}

void QmFieldMarkers::AddShadow(const float p[3]) {
    if (!field || shadowVertices.empty()) return;
    float c[3];
    field->CellToWorld(p[0], p[1], p[2], c);
    static const float kOffsets[4][2] = {{-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}};
    for (const auto& offset : kOffsets) {
        const float at[3] = {p[0] + offset[0], p[1], p[2] + offset[1]};
        // A cell off the grid has no top to lay the blob on.
        if (!(at[0] >= 0 && at[2] >= 0 && at[0] < field->width && at[2] < field->depth)) continue;
        if (shadowCount >= kMarkerMaxShadows) {
            if (!shadowsFullLogged_) LogWarning("Unit shadows are limited to %d quads.", kMarkerMaxShadows);
            shadowsFullLogged_ = true;
            return;
        }
        const int32_t n = shadowCount;
        MarkerVertex* quad = &shadowVertices[static_cast<size_t>(n) * 4];
        field->GetCellQuad(quad, &shadowIndices[static_cast<size_t>(n) * 6], static_cast<uint16_t>(n * 4), at);
        const float du = quad[0].position[0] - c[0] + 32.0f;
        const float dv = quad[0].position[2] - c[2] + 32.0f;
        if (!(du < 64.0f && dv < 64.0f)) continue;  // the blob does not reach it: the slot is reused
        SetColour(quad, White(kShadowAlpha));
        for (int k = 0; k < 4; ++k) {
            quad[k].texCoord[0] = (k < 2 ? du : du + 64.0f) / 64.0f;
            quad[k].texCoord[1] = (k % 2 == 0 ? dv : dv + 64.0f) / 64.0f;
        }
        ++shadowCount;
    }
}

void QmFieldMarkers::SetCursorPos(const float position[3]) {
    memcpy(cursorCell, position, sizeof cursorCell);
    if (!field || !(position[0] >= 0)) return;
    field->GetCellQuad(cursorQuad, cursorIndices, 0, position);
    field->CellToWorld(position[0], position[1], position[2], cursorTarget);
    for (int k = 0; k < 4; ++k) {
        for (int c = 0; c < 3; ++c) cursorQuad[k].position[c] -= cursorTarget[c];
    }
}

void QmFieldMarkers::SetArrowPos(const float position[3]) {
    memcpy(arrowCell, position, sizeof arrowCell);
    if (field) field->GetCellQuad(arrowQuad, arrowIndices, 0, position);
}

void QmFieldMarkers::SetArrowDir(int32_t direction) {
    arrowDir = direction;
    SetQuadUV(arrowQuad, direction, kArrowTile);
}

void QmFieldMarkers::SetRoute(const int32_t* cells, int32_t count) {
    routeCount = 0;
    if (!field || routeVertices.empty() || !cells || count < 2) return;
    int32_t shown = count;
    if (shown > kMarkerMaxRoute) {
        LogWarning("A route of %d cells shows the %d nearest its target.", count, kMarkerMaxRoute);
        shown = kMarkerMaxRoute;
    }
    for (int32_t i = 0; i < shown; ++i) SetRouteQuad(i, cells, count);
    routeCount = shown;
}

void QmFieldMarkers::SetRouteQuad(int32_t i, const int32_t* cells, int32_t count) {
    const int32_t* cell = &cells[i * 3];
    const float position[3] = {cell[0] + 0.5f, static_cast<float>(cell[1]), cell[2] + 0.5f};
    MarkerVertex* quad = &routeVertices[static_cast<size_t>(i) * 4];
    field->GetCellQuad(quad, &routeIndices[static_cast<size_t>(i) * 6], static_cast<uint16_t>(i * 4), position);
    SetColour(quad, White(kRouteAlpha));
    auto direction = [cells](int32_t from, int32_t to) {
        return QmField::DirectionTo(cells[from * 3], cells[from * 3 + 2], cells[to * 3], cells[to * 3 + 2]);
    };
    if (i == 0) {
        SetQuadUV(quad, direction(1, 0), kRouteEndTile);
    } else if (i == count - 1) {
        SetQuadUV(quad, direction(i - 1, i), kRouteStartTile);
    } else {
        const int32_t a = direction(i + 1, i), b = direction(i, i - 1);
        // A route that turns back on itself gets the straight piece.
        const MarkerTile& tile = (a + 1) % 4 == b   ? kRouteTurnClockwiseTile
                                 : (a + 3) % 4 == b ? kRouteTurnOtherTile
                                                    : kRouteStraightTile;
        SetQuadUV(quad, a, tile);
    }
}

void QmFieldMarkers::Update() {
    ++frame;
    for (const PanelEntry& entry : panels) {
        MarkerVertex* quad = &panelVertices[static_cast<size_t>(entry.quad) * 4];
        if (entry.colour < 0 || entry.colour > 3) continue;  // left invisible
        const int32_t col = static_cast<int32_t>(entry.position[0]), row = static_cast<int32_t>(entry.position[2]);
        SetUprightUV(quad, PanelTile(entry.colour, col, row, frame));
        SetColour(quad, White(kPanelAlpha));
    }
    for (int c = 0; c < 3; ++c) cursorShown[c] += (cursorTarget[c] - cursorShown[c]) * 0.5f;
}

void QmFieldMarkers::SetQuadUV(MarkerVertex quad[4], int32_t r, const MarkerTile& tile) {
    const float l = tile.left / kAtlasWidth, t = tile.top / kAtlasHeight;
    const float rr = (tile.left + tile.width) / kAtlasWidth, b = (tile.top + tile.height) / kAtlasHeight;
    const float table[4][4][2] = {
        {{l, b}, {rr, b}, {l, t}, {rr, t}},
        {{l, t}, {l, b}, {rr, t}, {rr, b}},
        {{rr, t}, {l, t}, {rr, b}, {l, b}},
        {{rr, b}, {rr, t}, {l, b}, {l, t}},
    };
    if (r < 0 || r > 3) return;
    for (int k = 0; k < 4; ++k) {
        quad[k].texCoord[0] = table[r][k][0];
        quad[k].texCoord[1] = table[r][k][1];
    }
}

void QmFieldMarkers::BindAttributes() {
    const int32_t current = GlGetCurrentProgram();
    if (current != attribProgram_) {
        GlGetAttribLocations(current, 3, kMarkerRows, attribs_);
        attribProgram_ = current;
    }
    GlBindVertexBuffer(0);
    GlBindIndexBuffer(0);
    GlEnableAttribArrays(3, attribs_);
}

void QmFieldMarkers::DrawQuads(const MarkerVertex* vertices, const uint16_t* indices, int32_t quadCount) {
    if (quadCount <= 0) return;
    GlSetAttribPointers(3, attribs_, kMarkerRows, vertices, sizeof(MarkerVertex));
    glDrawElements(GL_TRIANGLES, quadCount * 6, GL_UNSIGNED_SHORT, indices);
    CountDraw(static_cast<uint32_t>(quadCount * 2), static_cast<uint32_t>(quadCount * 4));
}

void QmFieldMarkers::DrawCursor(bool faint) {
    if (!cursorVisible || !(cursorCell[0] >= 0)) return;
    const float k = CursorPulse(frame);
    MarkerVertex quad[4];
    for (int v = 0; v < 4; ++v) {
        for (int c = 0; c < 3; ++c) quad[v].position[c] = cursorQuad[v].position[c] * k + cursorShown[c];
    }
    SetUprightUV(quad, kCursorTile);
    if (faint) {
        SetColour(quad, White(kFaintAlpha));
        DrawQuads(quad, cursorIndices, 1);
        return;
    }
    SetColour(quad, 0xFF000000u);  // a black rim, then the white frame one unit above it
    DrawQuads(quad, cursorIndices, 1);
    Mat4 lifted = Mat4::Identity();
    const float up[3] = {0.0f, 1.0f, 0.0f};
    Mat4::Translate(&lifted, lifted, up);
    MaterialShader::SetModel(&lifted);
    SetColour(quad, White(255));
    DrawQuads(quad, cursorIndices, 1);
    MaterialShader::SetModel(nullptr);
}

void QmFieldMarkers::DrawArrow(uint8_t alpha) {
    if (!arrowVisible) return;
    SetColour(arrowQuad, White(alpha));
    DrawQuads(arrowQuad, arrowIndices, 1);
}

void QmFieldMarkers::Draw() {
    if (GlGetCurrentProgram() <= 0 || panelVertices.empty()) return;
    MaterialShader::SetModel(nullptr);
    GlState::SetBlendMode(kBlendAlpha);
    BindAttributes();
    GlState::SetTexture(panelTexture, GL_CLAMP_TO_EDGE, GL_LINEAR);
    MaterialShader::SetTexEnable();
    DrawQuads(panelVertices.data(), panelIndices.data(), static_cast<int32_t>(panels.size()));
    if (routeVisible) DrawQuads(routeVertices.data(), routeIndices.data(), routeCount);
    if (shadowCount > 0) {
        GlState::SetTexture(shadowTexture, GL_CLAMP_TO_EDGE, GL_LINEAR);
        MaterialShader::SetTexEnable();
        DrawQuads(shadowVertices.data(), shadowIndices.data(), shadowCount);
    }
    GlState::SetTexture(panelTexture, GL_CLAMP_TO_EDGE, GL_LINEAR);
    MaterialShader::SetTexEnable();
    DrawCursor(false);
    DrawArrow(255);
    GlDisableAttribArrays(3, attribs_);
}

void QmFieldMarkers::DrawOverlay() {
    if (GlGetCurrentProgram() <= 0 || panelVertices.empty()) return;
    MaterialShader::SetModel(nullptr);
    GlState::SetBlendMode(kBlendAlpha);
    BindAttributes();
    GlState::SetTexture(panelTexture, GL_CLAMP_TO_EDGE, GL_LINEAR);
    MaterialShader::SetTexEnable();
    DrawCursor(true);
    DrawArrow(kFaintAlpha);
    GlDisableAttribArrays(3, attribs_);
}
