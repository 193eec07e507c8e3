// A small program on the real frame for whole-program tests under Xvfb:
// frame_smoke WIDTH HEIGHT FULLSCREEN SAMPLES. It clears to a known colour,
// draws a triangle, and reports on stdout what the frame handed it.
#include <GLES2/gl2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app_frame.h"
#include "tests/app/gl_draw_helpers.h"

namespace {

int g_handle = 0;
int g_frames = 0;
int g_width = 0;
int g_height = 0;

AppHandle OnInitialize() {
    printf("ready samples=%d\n", CurrentSampleCount());
    fflush(stdout);
    return &g_handle;
}

void OnRender(AppHandle) {
    glViewport(0, 0, g_width, g_height);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float triangle[] = {0.3f, 0.3f, 0.9f, 0.4f, 0.5f, 0.95f};
    DrawFlatTriangle(triangle, 1, 1, 1);
}

void OnPostRender(AppHandle) {
    if (++g_frames != 2) return;
    unsigned char centre[4] = {};
    glReadPixels(g_width / 2, g_height / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
    std::vector<unsigned char> pixels(static_cast<size_t>(g_width) * g_height * 4);
    glReadPixels(0, 0, g_width, g_height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int blended = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        bool clear = pixels[i] == centre[0] && pixels[i + 1] == centre[1] && pixels[i + 2] == centre[2];
        bool white = pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255;
        if (!clear && !white) ++blended;
    }
    printf("centre %d %d %d\nblended %d\n", centre[0], centre[1], centre[2], blended);
    fflush(stdout);
}

void OnKey(AppHandle, int key, int down) {
    printf("key %d %d\n", key, down);
    fflush(stdout);
}

void Nothing(AppHandle) {}

// The second update runs after the first frame was presented.
void OnUpdate(AppHandle) {
    static int updates = 0;
    if (++updates == 2) {
        printf("swapped\n");
        fflush(stdout);
    }
}
void OnActivate(AppHandle, int paused) {
    printf("activate %d\n", paused);
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: frame_smoke WIDTH HEIGHT FULLSCREEN SAMPLES\n");
        return 2;
    }
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
    d.OnFinalize = Nothing;
    d.OnUpdate = OnUpdate;
    d.OnRender = OnRender;
    d.OnPostRender = OnPostRender;
    d.OnActivate = OnActivate;
    d.OnLostDevice = Nothing;
    d.OnResetDevice = Nothing;
    d.OnKey = OnKey;
    return RunApplication(d);
}
