// The battle's 3D frame: the seven programs of the field, one frame drawn in
// a fixed order of passes with fixed depth and polygon-offset states, the
// background gradient, and the static shadow map of terrain and objects seen
// from the light. The renderer reads a plain record of what it draws, which
// the battle fills in. Main thread only (all GL).
#pragma once

#include <cstdint>
#include <functional>

#include "core/mat4.h"
#include "gfx/material_shader.h"

class QmField;
struct FsMgr;
struct QmFieldMarkers;
struct Texture;

enum FieldProgramSlot : int32_t {
    kFieldProgramBgFill = 0,
    kFieldProgramBlock = 1,   // "field_block", or "field_block_hq" with shadows
    kFieldProgramObject = 2,  // "field_obj", or "field_obj_hq" with shadows
    kFieldProgramEdge = 3,
    kFieldProgramPanel = 4,
    kFieldProgramUnit = 5,
    kFieldProgramShadowMap = 6,  // only with shadows
    kFieldProgramCount = 7,
};

// Builds "shader/<name>.vs" + ".fs"; the program id or -1.
using FieldShaderLoader = std::function<int32_t(const char* name)>;

struct FieldShaderSet {
    int32_t programs[kFieldProgramCount] = {};  // 0 before the first load, -1 after a release
    bool shadows = false;                       // the "_hq" programs and "field_smap" are loaded
    Texture* litShadow = nullptr;               // 1 x 1, fully lit: unit 1 when the shadow map failed

    // In the order field_smap, field_block_hq, field_obj_hq (with shadows) or
    // field_block, field_obj; then field_edge, bg_fill, panel, unit. A
    // program that fails leaves -1 in its slot. True when all loaded.
    bool Load(const FieldShaderLoader& load, bool withShadows);
    // Release, then Load; `onUnitProgram` (may be empty) gets the new "unit" program.
    bool Reload(const FieldShaderLoader& load, bool withShadows, const std::function<void(int32_t)>& onUnitProgram);
    // Deletes every program (ids of 0 and below are skipped) and leaves -1 in each slot.
    void Release();
};

// The set the game loads at start and after a device reset.
FieldShaderSet* GetFieldShaderSet();

// True when `pack` holds both "shader/<name>.vs" and ".fs".
bool FieldProgramFilesThere(FsMgr* pack, const char* name);
// Names (once a run, BattleFileThere) each file of the set's unloaded programs
// that `pack` lacks, with what goes undrawn without it.
void ReportMissingFieldPrograms(const FieldShaderSet& set, FsMgr* pack);

// Everything one battle frame draws, as the battle holds it.
struct FieldDrawInputs {
    QmField* field = nullptr;
    QmFieldMarkers* markers = nullptr;  // may be null
    Mat4 projection = Mat4::Identity();
    Mat4 view = Mat4::Identity();
    float yaw = 45.0f;  // camera yaw in degrees: which outline lines face it
    float brightness = 1.0f;
    float ambient = 0.4f;
    float diffuse = 0.9f;
    uint32_t backgroundTop = 0xFFFFF0DCu;     // RGBA8, red lowest: (220, 240, 255)
    uint32_t backgroundBottom = 0xFF601000u;  // (0, 16, 96)
    float lightDirection[3] = {0.0f, 1.0f, 0.0f};
    float shadowEye[3] = {0.0f, 6000.0f, 0.0f};  // the shadow camera's eye
    Texture* shadowTexture = nullptr;            // null: none, or the shadow map failed
    Mat4 shadowMatrix = Mat4::Identity();
    // Grid positions (fractional) of the units whose blob shadows are laid.
    const float (*unitPositions)[3] = nullptr;
    int32_t unitCount = 0;
    // Draws the unit billboards in depth order, with the "unit" program current.
    std::function<void()> drawUnits;
    // The effect models (with the object program current) and the 3D effects.
    std::function<void()> drawEffectModels;
    std::function<void()> drawEffects;
};

// The whole 3D frame, after the depth buffer was cleared to 1.
void DrawField(const FieldDrawInputs& in, const FieldShaderSet& shaders);
// The background rectangle: a vertical gradient of the two colours (RGB
// scaled by brightness, alpha kept) over every pixel nothing nearer covers.
void DrawBgFill(uint32_t top, uint32_t bottom, float brightness, int32_t program);

// The shadow camera of a light direction: fov 20, aspect 1, near 500, far
// 20000, eye at the direction x 6000, looking at the origin.
CameraParams MakeShadowCamera(const float lightDirection[3]);
// Draws the field's terrain and objects from the shadow camera into a size
// x size colour texture (depth packed in its bytes) and sets the matrix
// that takes world points to its texture coordinates. Null, with one log
// line, when the framebuffer cannot be completed. `forceDepthRenderbuffer`
// uses a 16-bit depth renderbuffer even where depth textures exist.
Texture* CreateShadowMap(QmField* field, int32_t size, const CameraParams& shadowCamera, Mat4* outMatrix,
                         int32_t program, bool forceDepthRenderbuffer = false);
