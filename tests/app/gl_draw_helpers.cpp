#include "tests/app/gl_draw_helpers.h"

namespace {

GLuint Compile(GLenum type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

GLuint Program() {
    static GLuint program = 0;
    if (program != 0) return program;
    const char* vs = "#version 100\nattribute vec2 a_Position;\nvoid main(){gl_Position=vec4(a_Position,0.0,1.0);}\n";
    const char* fs = "#version 100\nprecision mediump float;\nuniform vec3 u_Colour;\n"
                     "void main(){gl_FragColor=vec4(u_Colour,1.0);}\n";
    program = glCreateProgram();
    glAttachShader(program, Compile(GL_VERTEX_SHADER, vs));
    glAttachShader(program, Compile(GL_FRAGMENT_SHADER, fs));
    glBindAttribLocation(program, 0, "a_Position");
    glLinkProgram(program);
    return program;
}

}  // namespace

void DrawFlatTriangle(const float corners[6], float r, float g, float b) {
    GLuint program = Program();
    glUseProgram(program);
    glUniform3f(glGetUniformLocation(program, "u_Colour"), r, g, b);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, corners);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glDisableVertexAttribArray(0);
}
