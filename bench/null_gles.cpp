// OpenGL ES entry points that do nothing, linked into a benchmark in place of
// the driver so that it times the engine's own work alone. Queries answer as
// a driver would for a successful build (compiled, linked, locations found).
#include <GLES2/gl2.h>

#include <cstring>

namespace {
GLuint gNextName = 1;
}

extern "C" {

GL_APICALL void GL_APIENTRY glActiveTexture(GLenum) {}
GL_APICALL void GL_APIENTRY glAttachShader(GLuint, GLuint) {}
GL_APICALL void GL_APIENTRY glBindBuffer(GLenum, GLuint) {}
GL_APICALL void GL_APIENTRY glBindTexture(GLenum, GLuint) {}
GL_APICALL void GL_APIENTRY glBlendEquation(GLenum) {}
GL_APICALL void GL_APIENTRY glBlendFunc(GLenum, GLenum) {}
GL_APICALL void GL_APIENTRY glBufferData(GLenum, GLsizeiptr, const void*, GLenum) {}
GL_APICALL void GL_APIENTRY glBufferSubData(GLenum, GLintptr, GLsizeiptr, const void*) {}
GL_APICALL void GL_APIENTRY glClear(GLbitfield) {}
GL_APICALL void GL_APIENTRY glClearColor(GLfloat, GLfloat, GLfloat, GLfloat) {}
GL_APICALL void GL_APIENTRY glClearDepthf(GLfloat) {}
GL_APICALL void GL_APIENTRY glCompileShader(GLuint) {}
GL_APICALL void GL_APIENTRY glCompressedTexImage2D(GLenum, GLint, GLenum, GLsizei, GLsizei, GLint, GLsizei,
                                                   const void*) {}
GL_APICALL GLuint GL_APIENTRY glCreateProgram(void) { return gNextName++; }
GL_APICALL GLuint GL_APIENTRY glCreateShader(GLenum) { return gNextName++; }
GL_APICALL void GL_APIENTRY glCullFace(GLenum) {}
GL_APICALL void GL_APIENTRY glDeleteBuffers(GLsizei, const GLuint*) {}
GL_APICALL void GL_APIENTRY glDeleteProgram(GLuint) {}
GL_APICALL void GL_APIENTRY glDeleteShader(GLuint) {}
GL_APICALL void GL_APIENTRY glDeleteTextures(GLsizei, const GLuint*) {}
GL_APICALL void GL_APIENTRY glDepthFunc(GLenum) {}
GL_APICALL void GL_APIENTRY glDepthMask(GLboolean) {}
GL_APICALL void GL_APIENTRY glDisable(GLenum) {}
GL_APICALL void GL_APIENTRY glDisableVertexAttribArray(GLuint) {}
GL_APICALL void GL_APIENTRY glDrawArrays(GLenum, GLint, GLsizei) {}
GL_APICALL void GL_APIENTRY glDrawElements(GLenum, GLsizei, GLenum, const void*) {}
GL_APICALL void GL_APIENTRY glEnable(GLenum) {}
GL_APICALL void GL_APIENTRY glEnableVertexAttribArray(GLuint) {}
GL_APICALL void GL_APIENTRY glFinish(void) {}
GL_APICALL void GL_APIENTRY glGenBuffers(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = gNextName++;
}
GL_APICALL void GL_APIENTRY glGenTextures(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = gNextName++;
}
GL_APICALL GLint GL_APIENTRY glGetAttribLocation(GLuint, const GLchar* name) {
    if (strcmp(name, "a_Position") == 0) return 0;
    if (strcmp(name, "a_TexCoord") == 0) return 1;
    return 2;
}
GL_APICALL GLenum GL_APIENTRY glGetError(void) { return GL_NO_ERROR; }
GL_APICALL void GL_APIENTRY glGetIntegerv(GLenum pname, GLint* data) {
    *data = pname == GL_MAX_TEXTURE_SIZE ? 8192 : 0;
}
GL_APICALL void GL_APIENTRY glGetProgramInfoLog(GLuint, GLsizei, GLsizei* length, GLchar* log) {
    if (length) *length = 0;
    if (log) *log = '\0';
}
GL_APICALL void GL_APIENTRY glGetProgramiv(GLuint, GLenum pname, GLint* value) {
    *value = pname == GL_LINK_STATUS ? GL_TRUE : 0;
}
GL_APICALL void GL_APIENTRY glGetShaderInfoLog(GLuint, GLsizei, GLsizei* length, GLchar* log) {
    if (length) *length = 0;
    if (log) *log = '\0';
}
GL_APICALL void GL_APIENTRY glGetShaderiv(GLuint, GLenum pname, GLint* value) {
    *value = pname == GL_COMPILE_STATUS ? GL_TRUE : 0;
}
GL_APICALL const GLubyte* GL_APIENTRY glGetString(GLenum) { return reinterpret_cast<const GLubyte*>(""); }
GL_APICALL GLint GL_APIENTRY glGetUniformLocation(GLuint, const GLchar*) { return 0; }
GL_APICALL void GL_APIENTRY glLinkProgram(GLuint) {}
GL_APICALL void GL_APIENTRY glPixelStorei(GLenum, GLint) {}
GL_APICALL void GL_APIENTRY glShaderSource(GLuint, GLsizei, const GLchar* const*, const GLint*) {}
GL_APICALL void GL_APIENTRY glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                                         const void*) {}
GL_APICALL void GL_APIENTRY glTexParameteri(GLenum, GLenum, GLint) {}
GL_APICALL void GL_APIENTRY glTexSubImage2D(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum,
                                            const void*) {}
GL_APICALL void GL_APIENTRY glUniform1f(GLint, GLfloat) {}
GL_APICALL void GL_APIENTRY glUniform1i(GLint, GLint) {}
GL_APICALL void GL_APIENTRY glUniform3fv(GLint, GLsizei, const GLfloat*) {}
GL_APICALL void GL_APIENTRY glUniformMatrix3fv(GLint, GLsizei, GLboolean, const GLfloat*) {}
GL_APICALL void GL_APIENTRY glPolygonOffset(GLfloat, GLfloat) {}
GL_APICALL void GL_APIENTRY glViewport(GLint, GLint, GLsizei, GLsizei) {}
GL_APICALL void GL_APIENTRY glGenFramebuffers(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = gNextName++;
}
GL_APICALL void GL_APIENTRY glGenRenderbuffers(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = gNextName++;
}
GL_APICALL void GL_APIENTRY glBindFramebuffer(GLenum, GLuint) {}
GL_APICALL void GL_APIENTRY glBindRenderbuffer(GLenum, GLuint) {}
GL_APICALL void GL_APIENTRY glRenderbufferStorage(GLenum, GLenum, GLsizei, GLsizei) {}
GL_APICALL void GL_APIENTRY glFramebufferTexture2D(GLenum, GLenum, GLenum, GLuint, GLint) {}
GL_APICALL void GL_APIENTRY glFramebufferRenderbuffer(GLenum, GLenum, GLenum, GLuint) {}
GL_APICALL GLenum GL_APIENTRY glCheckFramebufferStatus(GLenum) { return GL_FRAMEBUFFER_COMPLETE; }
GL_APICALL void GL_APIENTRY glDeleteFramebuffers(GLsizei, const GLuint*) {}
GL_APICALL void GL_APIENTRY glDeleteRenderbuffers(GLsizei, const GLuint*) {}
GL_APICALL void GL_APIENTRY glUniform4f(GLint, GLfloat, GLfloat, GLfloat, GLfloat) {}
GL_APICALL void GL_APIENTRY glUniformMatrix4fv(GLint, GLsizei, GLboolean, const GLfloat*) {}
GL_APICALL void GL_APIENTRY glUseProgram(GLuint) {}
GL_APICALL void GL_APIENTRY glVertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*) {}

GL_APICALL void GL_APIENTRY glBlendEquationSeparate(GLenum, GLenum) {}
GL_APICALL void GL_APIENTRY glBlendFuncSeparate(GLenum, GLenum, GLenum, GLenum) {}
GL_APICALL void GL_APIENTRY glGetBooleanv(GLenum, GLboolean* data) { *data = GL_FALSE; }
GL_APICALL GLboolean GL_APIENTRY glIsEnabled(GLenum) { return GL_FALSE; }
GL_APICALL void GL_APIENTRY glUniform3f(GLint, GLfloat, GLfloat, GLfloat) {}

}  // extern "C"
