// A linked shader program of the effect renderer, with the attribute and
// uniform helpers the node renderers use. Program building is the engine's
// (it logs the compiler's or linker's own message on failure).
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>
#include <memory>

#include "fx/gl/device_object.h"
#include "gfx/gl_program.h"

namespace FxRenderer {

// One vertex attribute of an interleaved vertex.
using ShaderAttribInfo = GlVertexAttrib;

class Shader : public DeviceObject {
public:
    // Null, with the driver's message logged, when a stage does not compile
    // or the program does not link. `name` labels the log line.
    static std::unique_ptr<Shader> Create(Renderer* renderer, const char* vertexSource, const char* fragmentSource,
                                          const char* name);
    ~Shader() override;

    GLint GetUniformId(const char* name) const;
    void GetAttribIdList(int count, const ShaderAttribInfo* rows, int32_t* ids) const;
    void GetUniformIdList(int count, const char* const* names, int32_t* ids) const;

    void Begin() const;
    void End() const;
    // Ids below 0 (names the program does not use) are skipped.
    static void EnableAttribs(int count, const int32_t* ids);
    static void DisableAttribs(int count, const int32_t* ids);
    static void SetVertex(int count, const ShaderAttribInfo* rows, const int32_t* ids, int stride,
                          uintptr_t baseOffset);

    GLuint GetProgram() const { return program_; }

private:
    Shader(Renderer* renderer, GLuint program) : DeviceObject(renderer), program_(program) {}
    GLuint program_;
};

}  // namespace FxRenderer
