// Program building, attribute and uniform lookup, and buffer objects.
#include "gfx/gl_program.h"

#include <string>

#include "core/allocator.h"
#include "fs/file_loaders.h"
#include "platform/debug_log.h"

namespace {

int32_t gCurrentProgram = 0;

GLuint ProgramOrCurrent(int32_t program) {
    return static_cast<GLuint>(program < 0 ? gCurrentProgram : program);
}

// The info log as one line, so the log keeps one line per failure.
std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0' || text.back() == ' ')) text.pop_back();
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}

std::string ShaderInfoLog(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) glGetShaderInfoLog(shader, length, nullptr, &log[0]);
    return OneLine(log);
}

std::string ProgramInfoLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) glGetProgramInfoLog(program, length, nullptr, &log[0]);
    return OneLine(log);
}

// A compiled shader, or 0 with the compiler's message logged.
GLuint CompileShader(const char* name, GLenum kind, const char* source) {
    GLuint shader = glCreateShader(kind);
    if (shader == 0) return 0;
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled) return shader;
    LogFailed("compile the %s shader of \"%s\": %s", kind == GL_VERTEX_SHADER ? "vertex" : "fragment", name,
              ShaderInfoLog(shader).c_str());
    glDeleteShader(shader);
    return 0;
}

uint32_t CreateBuffer(GLenum target, const void* data, uint32_t size, GLenum usage) {
    GLuint buffer = 0;
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, size, data, usage);
    glBindBuffer(target, 0);
    return buffer;
}

}  // namespace

void GlUseProgram(int32_t program) {
    gCurrentProgram = program;
    glUseProgram(static_cast<GLuint>(program));
}

void GlUnbindProgram() {
    gCurrentProgram = 0;
    glUseProgram(0);
}

int32_t GlGetCurrentProgram() { return gCurrentProgram; }

void GlGetAttribLocations(int32_t program, int count, const GlVertexAttrib* rows, int32_t* locations) {
    GLuint id = ProgramOrCurrent(program);
    for (int i = 0; i < count; ++i) locations[i] = rows[i].name ? glGetAttribLocation(id, rows[i].name) : -1;
}

void GlGetUniformLocations(int32_t program, int count, const char* const* names, int32_t* locations) {
    for (int i = 0; i < count; ++i) locations[i] = GlGetUniformLocation(program, names[i]);
}

int32_t GlGetUniformLocation(int32_t program, const char* name) {
    return name ? glGetUniformLocation(ProgramOrCurrent(program), name) : -1;
}

void GlEnableAttribArrays(int count, const int32_t* locations) {
    for (int i = 0; i < count; ++i) {
        if (locations[i] >= 0) glEnableVertexAttribArray(static_cast<GLuint>(locations[i]));
    }
}

void GlDisableAttribArrays(int count, const int32_t* locations) {
    for (int i = 0; i < count; ++i) {
        if (locations[i] >= 0) glDisableVertexAttribArray(static_cast<GLuint>(locations[i]));
    }
}

void GlSetAttribPointers(int count, const int32_t* locations, const GlVertexAttrib* rows, const void* base,
                         int stride) {
    for (int i = 0; i < count; ++i) {
        if (locations[i] < 0) continue;
        glVertexAttribPointer(static_cast<GLuint>(locations[i]), rows[i].components, rows[i].type,
                              rows[i].normalized ? GL_TRUE : GL_FALSE, stride,
                              static_cast<const uint8_t*>(base) + rows[i].offset);
    }
}

uint32_t GlCreateVertexBuffer(const void* data, uint32_t size, GLenum usage) {
    return CreateBuffer(GL_ARRAY_BUFFER, data, size, usage);
}

uint32_t GlCreateIndexBuffer(const void* data, uint32_t size, GLenum usage) {
    return CreateBuffer(GL_ELEMENT_ARRAY_BUFFER, data, size, usage);
}

void GlUpdateVertexBuffer(uint32_t buffer, const void* data, uint32_t offset, uint32_t size) {
    if (buffer == kNoBuffer) return;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
    glBufferSubData(GL_ARRAY_BUFFER, offset, size, data);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void GlBindVertexBuffer(uint32_t buffer) {
    if (buffer != kNoBuffer) glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

void GlBindIndexBuffer(uint32_t buffer) {
    if (buffer != kNoBuffer) glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
}

void GlDeleteBuffer(uint32_t buffer) {
    if (buffer != kNoBuffer) glDeleteBuffers(1, &buffer);
}

int32_t BuildShaderProgram(const char* name, const char* vertexSource, const char* fragmentSource,
                           Allocator* allocator) {
    if (!name) name = "";
    if (!vertexSource || !fragmentSource) {
        LogFailed("build \"%s\": a shader source is missing", name);
        return -1;
    }
    GLuint vertex = CompileShader(name, GL_VERTEX_SHADER, vertexSource);
    GLuint fragment = vertex ? CompileShader(name, GL_FRAGMENT_SHADER, fragmentSource) : 0;
    if (!vertex || !fragment) {
        if (vertex) glDeleteShader(vertex);
        return -1;
    }
    GLuint program = glCreateProgram();
    if (program == 0) {
        glDeleteShader(fragment);
        glDeleteShader(vertex);
        return -1;
    }
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    // Attached shaders live on until the program goes.
    glDeleteShader(fragment);
    glDeleteShader(vertex);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        LogFailed("link \"%s\": %s", name, ProgramInfoLog(program).c_str());
        glDeleteProgram(program);
        return -1;
    }
    return static_cast<int32_t>(program);
}

int32_t BuildShaderProgramFromFiles(const char* name, const char* vertexFile, const char* fragmentFile, FsMgr* fs,
                                    Allocator* allocator) {
    char* vertexSource = LoadTextFile(fs, vertexFile, nullptr, allocator);
    char* fragmentSource = vertexSource ? LoadTextFile(fs, fragmentFile, nullptr, allocator) : nullptr;
    int32_t program = -1;
    if (vertexSource && fragmentSource) {
        program = BuildShaderProgram(name, vertexSource, fragmentSource, allocator);
    } else {
        LogFailed("open \"%s\"", vertexSource ? fragmentFile : vertexFile);
    }
    Allocator::Free(vertexSource);
    Allocator::Free(fragmentSource);
    return program;
}

void DeleteShaderProgram(int32_t program) {
    if (program > 0) glDeleteProgram(static_cast<GLuint>(program));
}
