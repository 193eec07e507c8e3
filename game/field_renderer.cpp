// The field renderer: program set, pass order of a battle frame, background
// fill and the shadow-map pass.
#include "game/field_renderer.h"

#include <GLES2/gl2.h>

#include <string>

#include "core/color_util.h"
#include "fs/fs_mgr.h"
#include "game/battle_files.h"
#include "game/field.h"
#include "game/field_markers.h"
#include "gfx/gl_program.h"
#include "gfx/gl_state.h"
#include "gfx/image.h"
#include "gfx/pixel_format.h"
#include "gfx/std2d.h"
#include "gfx/texture.h"
#include "platform/debug_log.h"

namespace {

constexpr float kShadowEyeDistance = 6000.0f;
constexpr float kEdgeGain = 0.7f;

// Without a shadow map every point maps to depth 0 of the fully lit texture.
const Mat4& ShadowMatrixOf(const FieldDrawInputs& in) {
    static const Mat4 kEverywhereLit = {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}};
    return in.shadowTexture ? in.shadowMatrix : kEverywhereLit;
}

// Uniforms shared by the terrain and object programs; `lightPosition` is the
// shadow eye for terrain and the light direction for objects.
void SetLightingUniforms(const FieldDrawInputs& in, const float lightPosition[3]) {
    const int32_t program = MaterialShader::GetProgram();
    if (program <= 0) return;
    GLint at = GlGetUniformLocation(program, "u_Texture0");
    if (at >= 0) glUniform1i(at, 0);
    if ((at = GlGetUniformLocation(program, "u_Texture1")) >= 0) glUniform1i(at, 1);
    if ((at = GlGetUniformLocation(program, "u_ShadowMatrix")) >= 0) {
        glUniformMatrix4fv(at, 1, GL_FALSE, ShadowMatrixOf(in).m);
    }
    if ((at = GlGetUniformLocation(program, "u_LightPosition")) >= 0) glUniform3fv(at, 1, lightPosition);
    if ((at = GlGetUniformLocation(program, "u_Diffuse")) >= 0) glUniform1f(at, in.diffuse);
    if ((at = GlGetUniformLocation(program, "u_Ambient")) >= 0) glUniform1f(at, in.ambient);
    if ((at = GlGetUniformLocation(program, "u_Brightness")) >= 0) glUniform1f(at, in.brightness);
}

void BeginObjects(const FieldDrawInputs& in, const FieldShaderSet& shaders) {
    MaterialShader::Begin(shaders.programs[kFieldProgramObject]);
    SetLightingUniforms(in, in.lightDirection);
}

// A fully lit shadow map: white unpacks to a depth beyond every fragment.
Texture* MakeLitShadowTexture() {
    Image* image = Image::New(1, 1, kPixelRgba8888, nullptr);
    if (!image) return nullptr;
    for (int i = 0; i < 4; ++i) image->pixels[i] = 0xFF;
    Texture* texture = Texture::Create(nullptr);
    if (texture && !Texture::UploadImage(texture, 0, image, nullptr)) {
        Texture::Destroy(texture);
        texture = nullptr;
    }
    Image::Free(image);
    return texture;
}

// The programs in load order, and what a battle lacks without each.
struct ProgramEntry {
    FieldProgramSlot slot;
    const char* name;
    const char* undrawn;
};
constexpr char kTerrainUndrawn[] = "the terrain is not drawn";
constexpr char kObjectsUndrawn[] = "object models and the arrows of effect 1024 are not drawn";

template <typename Visit>
void ForEachProgram(bool withShadows, Visit visit) {
    static const ProgramEntry kWithShadows[] = {
        {kFieldProgramShadowMap, "field_smap", "nothing casts a shadow"},
        {kFieldProgramBlock, "field_block_hq", kTerrainUndrawn},
        {kFieldProgramObject, "field_obj_hq", kObjectsUndrawn}};
    static const ProgramEntry kPlain[] = {{kFieldProgramBlock, "field_block", kTerrainUndrawn},
                                          {kFieldProgramObject, "field_obj", kObjectsUndrawn}};
    static const ProgramEntry kCommon[] = {
        {kFieldProgramEdge, "field_edge", "the lines along cliff tops are not drawn"},
        {kFieldProgramBgFill, "bg_fill", "the sky is not drawn"},
        {kFieldProgramPanel, "panel",
         "range panels, route arrows, cursor, direction arrow and unit shadows are not drawn"},
        {kFieldProgramUnit, "unit", "the units are not drawn"}};
    if (withShadows) {
        for (const ProgramEntry& entry : kWithShadows) visit(entry);
    } else {
        for (const ProgramEntry& entry : kPlain) visit(entry);
    }
    for (const ProgramEntry& entry : kCommon) visit(entry);
}

std::string ProgramFile(const char* name, const char* extension) { return std::string("shader/") + name + extension; }

void PolygonOffset(bool on, float factor = 0.0f, float units = 0.0f) {
    if (!on) {
        glDisable(GL_POLYGON_OFFSET_FILL);
        return;
    }
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(factor, units);
}

}  // namespace

bool FieldShaderSet::Load(const FieldShaderLoader& load, bool withShadows) {
    for (int32_t& program : programs) program = -1;
    shadows = withShadows;
    if (withShadows && !litShadow) litShadow = MakeLitShadowTexture();
    bool all = true;
    ForEachProgram(withShadows, [&](const ProgramEntry& entry) {
        programs[entry.slot] = load ? load(entry.name) : -1;
        all = all && programs[entry.slot] > 0;
    });
    return all;
}

bool FieldProgramFilesThere(FsMgr* pack, const char* name) {
    return FsMgr::GetFileSize(pack, ProgramFile(name, ".vs").c_str()) >= 0 &&
           FsMgr::GetFileSize(pack, ProgramFile(name, ".fs").c_str()) >= 0;
}

void ReportMissingFieldPrograms(const FieldShaderSet& set, FsMgr* pack) {
    ForEachProgram(set.shadows, [&](const ProgramEntry& entry) {
        if (set.programs[entry.slot] > 0) return;
        for (const char* part : {".vs", ".fs"}) {
            BattleFileThere(pack, ProgramFile(entry.name, part).c_str(), entry.undrawn);
        }
    });
}

bool FieldShaderSet::Reload(const FieldShaderLoader& load, bool withShadows,
                            const std::function<void(int32_t)>& onUnitProgram) {
    Release();
    const bool all = Load(load, withShadows);
    if (onUnitProgram) onUnitProgram(programs[kFieldProgramUnit]);
    return all;
}

void FieldShaderSet::Release() {
    for (int32_t& program : programs) {
        if (program > 0) DeleteShaderProgram(program);
        program = -1;
    }
    if (litShadow) Texture::Destroy(litShadow);
    litShadow = nullptr;
}

FieldShaderSet* GetFieldShaderSet() {
    static FieldShaderSet set;
    return &set;
}

void DrawBgFill(uint32_t top, uint32_t bottom, float brightness, int32_t program) {
    const uint32_t topColour = ScaleColorRgb(top, brightness);
    const uint32_t bottomColour = ScaleColorRgb(bottom, brightness);
    GlState::SetDepthFunc(GL_LEQUAL);
    GlState::SetDepthMask(0);
    GlState::SetDepthTest(1);
    GlState::SetBlendMode(kBlendOff);
    GlState::SetTextureRepeat(nullptr);
    if (program > 0) {
        BindStd2dProgram(program);
        DrawStd2dRect(-1, -1, GetScreenWidth() + 2, GetScreenHeight() + 2, 0, 0, 0, 0, topColour, bottomColour,
                      topColour, bottomColour);
        UnbindStd2dProgram();
    }
    GlState::SetDepthFunc(GL_LESS);
    GlState::SetDepthMask(1);
}

void DrawField(const FieldDrawInputs& in, const FieldShaderSet& shaders) {
    // 1. The camera.
    MaterialShader::SetProjection(&in.projection);
    MaterialShader::SetView(&in.view);
    // 2. The shadow map on unit 1; with shadows on but no map, a fully lit one
    // so that the "_hq" programs never sample a stale texture.
    Texture* shadowMap = in.shadowTexture ? in.shadowTexture : shaders.shadows ? shaders.litShadow : nullptr;
    if (shadowMap) {
        GlState::SetActiveTexture(1);
        GlState::SetTexture(shadowMap, GL_CLAMP_TO_EDGE, GL_NEAREST);
        GlState::SetActiveTexture(0);
    }
    // 3. Opaque, depth-tested.
    GlState::SetBlendMode(kBlendOff);
    GlState::SetDepthMask(1);
    GlState::SetDepthTest(1);
    GlState::SetDepthFunc(GL_LESS);
    QmField* field = in.field;
    // 4. Terrain.
    MaterialShader::Begin(shaders.programs[kFieldProgramBlock]);
    SetLightingUniforms(in, in.shadowEye);
    if (field) field->DrawBlocks();
    MaterialShader::End();
    // 5. Outline lines.
    MaterialShader::Begin(shaders.programs[kFieldProgramEdge]);
    if (MaterialShader::GetProgram() > 0) {
        const GLint gain = GlGetUniformLocation(-1, "u_Gain");
        if (gain >= 0) glUniform1f(gain, in.brightness * kEdgeGain);
        if (field) field->DrawEdges(in.yaw);
    }
    MaterialShader::End();
    // 6. The background where nothing was drawn.
    DrawBgFill(in.backgroundTop, in.backgroundBottom, in.brightness, shaders.programs[kFieldProgramBgFill]);
    // 7. Objects and effect models.
    BeginObjects(in, shaders);
    if (field) field->DrawObjects();
    if (in.drawEffectModels && MaterialShader::GetProgram() > 0) in.drawEffectModels();
    MaterialShader::End();
    // 8. Markers on the terrain, depth-tested, pulled towards the camera.
    MaterialShader::Begin(shaders.programs[kFieldProgramPanel]);
    MaterialShader::SetModel(nullptr);
    GlState::SetDepthFunc(GL_LEQUAL);
    if (in.markers) {
        in.markers->ClearShadows();
        for (int32_t i = 0; in.unitPositions && i < in.unitCount; ++i) in.markers->AddShadow(in.unitPositions[i]);
    }
    PolygonOffset(true, -2.0f, -2.0f);
    GlState::SetDepthMask(0);
    if (in.markers) in.markers->Draw();
    // 9. Unit billboards.
    MaterialShader::Begin(shaders.programs[kFieldProgramUnit]);
    PolygonOffset(false);
    GlState::SetDepthMask(1);
    if (in.drawUnits && MaterialShader::GetProgram() > 0) in.drawUnits();
    MaterialShader::End();
    // 10. The faint cursor and arrow over everything.
    MaterialShader::Begin(shaders.programs[kFieldProgramPanel]);
    PolygonOffset(true, -2.0f, -2.0f);
    GlState::SetDepthMask(0);
    GlState::SetDepthTest(0);
    if (in.markers) in.markers->DrawOverlay();
    MaterialShader::End();
    // 11. Effects.
    PolygonOffset(true, -20.0f, -2.0f);
    if (in.drawEffects) in.drawEffects();
    PolygonOffset(false);
    // 12. Objects fading before the camera, blended last.
    BeginObjects(in, shaders);
    GlState::SetDepthMask(1);
    GlState::SetDepthTest(1);
    if (field) field->DrawFadingObjects();
    MaterialShader::End();
    GlState::SetDepthMask(0);
    GlState::SetDepthTest(0);
}

CameraParams MakeShadowCamera(const float lightDirection[3]) {
    CameraParams camera{};
    camera.fovy = 20.0f;
    camera.aspect = 1.0f;
    camera.nearZ = 500.0f;
    camera.farZ = 20000.0f;
    for (int i = 0; i < 3; ++i) camera.eye[i] = lightDirection[i] * kShadowEyeDistance;
    camera.up[1] = 1.0f;
    return camera;
}

Texture* CreateShadowMap(QmField* field, int32_t size, const CameraParams& shadowCamera, Mat4* outMatrix,
                         int32_t program, bool forceDepthRenderbuffer) {
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    Texture* colour = size > 0 ? Texture::CreateEmpty(size, size, kPixelRgba8888, nullptr) : nullptr;
    // A depth texture where the driver has one, else a renderbuffer: the
    // depth is only needed during this pass.
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const bool depthTextures = !forceDepthRenderbuffer && HasExtension(extensions, "GL_OES_depth_texture");
    Texture* depthTexture = nullptr;
    GLuint depthBuffer = 0;
    if (colour) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour->name, 0);
        if (depthTextures) {
            depthTexture = Texture::CreateEmpty(size, size, kPixelDepth16, nullptr);
            if (depthTexture) {
                glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depthTexture->name, 0);
            }
        } else {
            glGenRenderbuffers(1, &depthBuffer);
            glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
            glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, size, size);
            glBindRenderbuffer(GL_RENDERBUFFER, 0);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
        }
    }
    auto dropDepth = [&]() {
        if (depthTexture) Texture::Destroy(depthTexture);
        if (depthBuffer) glDeleteRenderbuffers(1, &depthBuffer);
    };
    if (!colour || glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        dropDepth();
        if (colour) Texture::Destroy(colour);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        LogFailed("setup framebuffer object.");
        return nullptr;
    }
    glViewport(0, 0, size, size);
    GlState::SetDepthMask(1);
    // White reads back as "lit": texels no terrain covers never shadow anything.
    const float farColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GlClearColorBuffer(farColour);
    GlClearDepthBuffer(1.0f);
    MaterialShader::Begin(program);
    MaterialShader::SetModel(nullptr);
    MaterialShader::SetCamera(shadowCamera);
    GlState::SetDepthFunc(GL_LESS);
    GlState::SetCullMode(kCullBack);
    GlState::SetBlendMode(kBlendOff);
    GlState::SetDepthTest(1);
    PolygonOffset(true, 3.0f, 4.0f);
    if (field && MaterialShader::GetProgram() > 0) {
        field->DrawBlocks();
        field->DrawObjects();
    }
    PolygonOffset(false);
    GlState::SetDepthTest(0);
    MaterialShader::End();
    glFinish();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    dropDepth();
    glViewport(0, 0, GetScreenWidth(), GetScreenHeight());

    Mat4 bias, projection, view;
    Mat4::Set(&bias, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0.5f, 0.5f, 0.5f, 1);
    Mat4::Perspective(&projection, shadowCamera.fovy, shadowCamera.aspect, shadowCamera.nearZ, shadowCamera.farZ);
    Mat4::LookAt(&view, shadowCamera.eye, shadowCamera.target, shadowCamera.up);
    Mat4::Multiply(&projection, projection, view);
    Mat4::Multiply(outMatrix, bias, projection);
    return colour;
}
