#include "fx/gl/shader.h"

namespace FxRenderer {

std::unique_ptr<Shader> Shader::Create(Renderer* renderer, const char* vertexSource, const char* fragmentSource,
                                       const char* name) {
    int32_t program = BuildShaderProgram(name, vertexSource, fragmentSource, nullptr);
    if (program <= 0) return nullptr;
    return std::unique_ptr<Shader>(new Shader(renderer, static_cast<GLuint>(program)));
}

Shader::~Shader() { DeleteShaderProgram(static_cast<int32_t>(program_)); }

GLint Shader::GetUniformId(const char* name) const { return GlGetUniformLocation(int32_t(program_), name); }

void Shader::GetAttribIdList(int count, const ShaderAttribInfo* rows, int32_t* ids) const {
    GlGetAttribLocations(int32_t(program_), count, rows, ids);
}

void Shader::GetUniformIdList(int count, const char* const* names, int32_t* ids) const {
    GlGetUniformLocations(int32_t(program_), count, names, ids);
}

void Shader::Begin() const { GlUseProgram(int32_t(program_)); }

void Shader::End() const { GlUnbindProgram(); }

void Shader::EnableAttribs(int count, const int32_t* ids) { GlEnableAttribArrays(count, ids); }

void Shader::DisableAttribs(int count, const int32_t* ids) { GlDisableAttribArrays(count, ids); }

void Shader::SetVertex(int count, const ShaderAttribInfo* rows, const int32_t* ids, int stride,
                       uintptr_t baseOffset) {
    GlSetAttribPointers(count, ids, rows, reinterpret_cast<const void*>(baseOffset), stride);
}

}  // namespace FxRenderer
