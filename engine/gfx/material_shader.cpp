// The material shader's stored matrices and their uploads. With no program
// current the setters only store, so a later Begin uploads what was set.
#include "gfx/material_shader.h"

#include <GLES2/gl2.h>

#include "gfx/gl_program.h"
#include "gfx/gl_state.h"

namespace {

int32_t gProgram = -1;
Mat4 gProjection = Mat4::Identity();
Mat4 gView = Mat4::Identity();
Mat4 gModel = Mat4::Identity();

GLint Uniform(const char* name) { return gProgram < 0 ? -1 : GlGetUniformLocation(gProgram, name); }

void UploadMatrix(const char* name, const Mat4& m) {
    GLint location = Uniform(name);
    if (location >= 0) glUniformMatrix4fv(location, 1, GL_FALSE, m.m);
}

void UploadGeneral() {
    if (gProgram < 0) return;
    Mat4 general;
    Mat4::Multiply(&general, gProjection, gView);
    Mat4::Multiply(&general, general, gModel);
    UploadMatrix("u_GeneralMatrix", general);
}

void UploadModel() {
    if (gProgram < 0) return;
    UploadMatrix("u_ModelMatrix", gModel);
    GLint location = Uniform("u_NormalMatrix");
    if (location >= 0) {
        float normal[9];
        Mat4::GetNormalMatrix(normal, gModel);
        glUniformMatrix3fv(location, 1, GL_FALSE, normal);
    }
}

}  // namespace

void MaterialShader::Begin(int32_t program) {
    if (program <= 0) {
        End();
        return;
    }
    gProgram = program;
    GlUseProgram(program);
    UploadMatrix("u_ProjMatrix", gProjection);
    UploadMatrix("u_ViewMatrix", gView);
    UploadModel();
    UploadGeneral();
}

void MaterialShader::End() {
    GlUnbindProgram();
    gProgram = -1;
}

int32_t MaterialShader::GetProgram() { return gProgram; }

void MaterialShader::SetProjection(const Mat4* m) {
    gProjection = m ? *m : Mat4::Identity();
    UploadMatrix("u_ProjMatrix", gProjection);
    UploadGeneral();
}

void MaterialShader::SetView(const Mat4* m) {
    gView = m ? *m : Mat4::Identity();
    UploadMatrix("u_ViewMatrix", gView);
    UploadGeneral();
}

void MaterialShader::SetModel(const Mat4* m) {
    gModel = m ? *m : Mat4::Identity();
    UploadModel();
    UploadGeneral();
}

void MaterialShader::SetCamera(const CameraParams& camera) {
    Mat4::Perspective(&gProjection, camera.fovy, camera.aspect, camera.nearZ, camera.farZ);
    Mat4::LookAt(&gView, camera.eye, camera.target, camera.up);
    UploadMatrix("u_ProjMatrix", gProjection);
    UploadMatrix("u_ViewMatrix", gView);
    UploadGeneral();
}

void MaterialShader::SetAlphaTest(int32_t flag, float ref) {
    GLint location = Uniform("u_AlphaTest");
    if (location >= 0) glUniform1i(location, flag);
    location = Uniform("u_AlphaRef");
    if (location >= 0) glUniform1f(location, ref);
}

void MaterialShader::SetTexEnable() {
    GLint location = Uniform("u_TexEnable");
    if (location >= 0) glUniform1i(location, GlState::GetTexture() != nullptr ? 1 : 0);
}

const Mat4& MaterialShader::GetProjection() { return gProjection; }
const Mat4& MaterialShader::GetView() { return gView; }
const Mat4& MaterialShader::GetModel() { return gModel; }
