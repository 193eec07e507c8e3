// Everything laid flat on the field's drawn tops: the range panels a search
// marks (animated), the route of a chosen path, blob shadows under units,
// the pulsing cell cursor and the direction arrow. Each marker is a quad
// taken from a cell's top (QmField::GetCellQuad), so it follows ramps and
// insets; all are drawn from client memory with the "panel" program the
// field renderer makes current. Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "game/field.h"

struct Allocator;
struct FsMgr;
struct Texture;

constexpr int32_t kMarkerMaxPanels = 1152;  // two per cell on the largest map
constexpr int32_t kMarkerMaxShadows = 80;   // four quads for each of 20 units
constexpr int32_t kMarkerMaxRoute = 96;

// Vertex alphas of the markers.
constexpr uint8_t kPanelAlpha = 160, kShadowAlpha = 160, kRouteAlpha = 180, kFaintAlpha = 50;

// A rectangle of "img/panel.png" (512 x 256) in texels.
struct MarkerTile {
    int32_t left, top, width, height;
};

// The atlas tiles: a range panel of colour 0..2 (a 32-texel sub-tile chosen
// by the cell's parity, scrolled with the frame), the rest fixed.
MarkerTile PanelTile(int32_t colour, int32_t col, int32_t row, uint32_t frame);
extern const MarkerTile kCursorTile, kArrowTile, kRouteEndTile, kRouteStartTile, kRouteStraightTile,
    kRouteTurnClockwiseTile, kRouteTurnOtherTile;

// The cursor's scale at a frame: 1 + s / 32 with s a sine of the frame,
// between 31/32 and 33/32, one pulse every 4 pi^2 (about 39.5) frames.
float CursorPulse(uint32_t frame);

struct QmFieldMarkers final : public FieldPanelSink {
    QmFieldMarkers();
    ~QmFieldMarkers();
    QmFieldMarkers(const QmFieldMarkers&) = delete;
    QmFieldMarkers& operator=(const QmFieldMarkers&) = delete;

    // Makes the lists, prefilled, with the defaults: cursor visible but on no
    // cell, arrow hidden. `program` is the "panel" program (its attributes
    // are looked up again whenever another one is current at a draw).
    void Init(int32_t program);
    // Links the markers with the field both ways (the field queues panels here).
    void Link(QmField* field);
    // "img/panel.png" and "img/shadow.png"; false when either is missing.
    bool LoadTextures(FsMgr* fs, Allocator* allocator);
    // Drops the textures and unlinks the field.
    void Destroy();

    void ClearPanels() override;
    // At capacity the panel is dropped, with one log line until the next clear.
    void AddPanel(const float position[3], int32_t colour) override;
    void ClearShadows();
    // Up to four quads of the blob under a unit at a fractional grid position.
    void AddShadow(const float position[3]);
    void SetCursorPos(const float position[3]);
    void SetCursorVisible(bool visible) { cursorVisible = visible; }
    void SetArrowPos(const float position[3]);
    void SetArrowDir(int32_t direction);
    void SetArrowVisible(bool visible) { arrowVisible = visible; }
    // `cells` holds (x, height, z) triples, target first; fewer than two
    // show nothing, more than 96 show the 96 nearest the target.
    void SetRoute(const int32_t* cells, int32_t count);
    void SetRouteVisible(bool visible) { routeVisible = visible; }

    // Once a frame: the panels' animation and the cursor's easing.
    void Update();
    // The depth-tested pass: panels, route, shadows, the solid cursor and arrow.
    void Draw();
    // The pass without depth test: the faint cursor and arrow through walls and units.
    void DrawOverlay();

    // Texture coordinates of `tile` on a quad turned by r = 0..3 (the tile's
    // top edge towards direction r); other r leave the quad as it is.
    static void SetQuadUV(MarkerVertex quad[4], int32_t r, const MarkerTile& tile);

    struct PanelEntry {
        int32_t quad;
        int32_t colour;
        float position[3];
    };

    QmField* field = nullptr;  // not owned
    Texture* panelTexture = nullptr;
    Texture* shadowTexture = nullptr;
    std::vector<PanelEntry> panels;  // reserved to capacity: adding never allocates
    std::vector<MarkerVertex> panelVertices;
    std::vector<uint16_t> panelIndices;
    bool routeVisible = false;
    int32_t routeCount = 0;
    std::vector<MarkerVertex> routeVertices;
    std::vector<uint16_t> routeIndices;
    int32_t shadowCount = 0;
    std::vector<MarkerVertex> shadowVertices;
    std::vector<uint16_t> shadowIndices;
    MarkerVertex cursorQuad[4] = {};  // relative to the cursor's centre
    uint16_t cursorIndices[6] = {0, 1, 2, 3, 2, 1};
    bool cursorVisible = true;
    float cursorCell[3] = {-1, -1, -1};
    float cursorShown[3] = {};
    float cursorTarget[3] = {};
    bool arrowVisible = false;
    MarkerVertex arrowQuad[4] = {};
    uint16_t arrowIndices[6] = {0, 1, 2, 3, 2, 1};
    int32_t arrowDir = 0;
    float arrowCell[3] = {-1, -1, -1};
    uint32_t frame = 0;
    int32_t program = -1;

private:
    void BindAttributes();
    void DrawQuads(const MarkerVertex* vertices, const uint16_t* indices, int32_t quadCount);
    void DrawCursor(bool faint);
    void DrawArrow(uint8_t alpha);
    void SetRouteQuad(int32_t i, const int32_t* cells, int32_t count);

    int32_t attribs_[3] = {-1, -1, -1};
    int32_t attribProgram_ = -1;  // whose locations attribs_ holds
    bool panelsFullLogged_ = false;
    bool shadowsFullLogged_ = false;
};
