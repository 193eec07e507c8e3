// frame_smoke WIDTH HEIGHT FULLSCREEN SAMPLES, on the real frame for tests under
// Xvfb: clears, draws a white triangle and reports on stdout what it was handed.
#include <GLES2/gl2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "app/app_frame.h"

namespace {

int g_handle = 0, g_frames = 0, g_width = 0, g_height = 0;

AppHandle OnInitialize() {
    printf("ready samples=%d\n", CurrentSampleCount());
    fflush(stdout);
    return &g_handle;
}

void OnRender(AppHandle) {
    glViewport(0, 0, g_width, g_height);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    static GLuint program = 0;  // draws white
    if (program == 0) {
        const char* vs = "#version 100\nattribute vec2 a_Position;\nvoid main(){gl_Position=vec4(a_Position,0.0,1.0);}\n";
        const char* fs = "#version 100\nprecision mediump float;\nvoid main(){gl_FragColor=vec4(1.0);}\n";
        program = glCreateProgram();
        for (auto [type, source] : {std::pair{GL_VERTEX_SHADER, vs}, {GL_FRAGMENT_SHADER, fs}}) {
            GLuint shader = glCreateShader(type);
            glShaderSource(shader, 1, &source, nullptr);
            glCompileShader(shader);
            glAttachShader(program, shader);
        }
        glBindAttribLocation(program, 0, "a_Position");
        glLinkProgram(program);
    }
    const float triangle[] = {0.3f, 0.3f, 0.9f, 0.4f, 0.5f, 0.95f};
    glUseProgram(program);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, triangle);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glDisableVertexAttribArray(0);
}

void OnPostRender(AppHandle) {
    if (++g_frames != 2) return;
    unsigned char centre[4] = {};
    glReadPixels(g_width / 2, g_height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    // Pixels neither the clear colour nor white: edges that only multisampling blends.
    std::vector<unsigned char> pixels(static_cast<size_t>(g_width) * g_height * 4);
    glReadPixels(0, 0, g_width, g_height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int blended = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        bool isClear = pixels[i] == centre[0] && pixels[i + 1] == centre[1] && pixels[i + 2] == centre[2];
        blended += !isClear && !(pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255);
    }
    printf("centre %d %d %d\nblended %d\n", centre[0], centre[1], centre[2], blended);
    fflush(stdout);
}

// The second update runs after the first frame was presented (for bench/frame_startup).
void OnUpdate(AppHandle) {
    static int updates = 0;
    if (++updates == 2) printf("swapped\n"), fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return fprintf(stderr, "usage: frame_smoke WIDTH HEIGHT FULLSCREEN SAMPLES\n"), 2;
    AppDescriptor d;
    strcpy(d.title, "Frame smoke");
    d.clientWidth = g_width = atoi(argv[1]);
    d.clientHeight = g_height = atoi(argv[2]);
    d.fullScreen = atoi(argv[3]);
    d.samples = atoi(argv[4]);
    d.swapMode = 0;
    d.iconId = 2010;
    d.runWhenInactive = 1;
    d.OnInitialize = OnInitialize;
    d.OnFinalize = d.OnLostDevice = d.OnResetDevice = [](AppHandle) {};
    d.OnUpdate = OnUpdate;
    d.OnRender = OnRender;
    d.OnPostRender = OnPostRender;
    d.OnActivate = [](AppHandle, int) {};
    d.OnKey = [](AppHandle, int, int) {};
    return RunApplication(d);
}
