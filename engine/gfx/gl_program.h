// Shader programs, vertex-attribute rows and buffer objects over OpenGL ES
// 2.0. Program ids are signed: -1 means "no program" everywhere.
#pragma once

#include <GLES2/gl2.h>

#include <cstdint>

struct Allocator;
struct FsMgr;

// One vertex attribute of an interleaved vertex; rows live in static tables.
struct GlVertexAttrib {
    const char* name;  // null = an empty row
    uint16_t type;     // GL component type
    uint8_t components;
    uint8_t offset;  // bytes from the start of the vertex
    uint32_t normalized;
};

void GlUseProgram(int32_t program);
void GlUnbindProgram();
int32_t GlGetCurrentProgram();

// Locations of the rows' attributes (-1 for rows without a name); a negative
// program means the current one.
void GlGetAttribLocations(int32_t program, int count, const GlVertexAttrib* rows, int32_t* locations);
// Locations of uniforms by name (-1 for null names); the same program rule.
void GlGetUniformLocations(int32_t program, int count, const char* const* names, int32_t* locations);
int32_t GlGetUniformLocation(int32_t program, const char* name);

// Negative locations are skipped.
void GlEnableAttribArrays(int count, const int32_t* locations);
void GlDisableAttribArrays(int count, const int32_t* locations);
void GlSetAttribPointers(int count, const int32_t* locations, const GlVertexAttrib* rows, const void* base,
                         int stride);

// Buffers are created, filled and left unbound. The name 0xFFFFFFFF (-1)
// stands for "no buffer" and is ignored.
constexpr uint32_t kNoBuffer = 0xFFFFFFFFu;
uint32_t GlCreateVertexBuffer(const void* data, uint32_t size, GLenum usage);
uint32_t GlCreateIndexBuffer(const void* data, uint32_t size, GLenum usage);
void GlUpdateVertexBuffer(uint32_t buffer, const void* data, uint32_t offset, uint32_t size);
void GlBindVertexBuffer(uint32_t buffer);
void GlBindIndexBuffer(uint32_t buffer);
void GlDeleteBuffer(uint32_t buffer);

// Compiles and links the two sources; the program id, or -1 with the
// compiler's or linker's message logged and nothing left behind. `name`
// only labels the log line.
int32_t BuildShaderProgram(const char* name, const char* vertexSource, const char* fragmentSource,
                           Allocator* allocator);
// Reads both files whole through `fs` (null = the operating system's files),
// then builds; -1 with "open" logged when either file is missing.
int32_t BuildShaderProgramFromFiles(const char* name, const char* vertexFile, const char* fragmentFile, FsMgr* fs,
                                    Allocator* allocator);
// Ids of 0 and below are ignored.
void DeleteShaderProgram(int32_t program);
