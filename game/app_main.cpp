// Until the game object exists the program opens its window and clears it
// every frame, so the frame, the context and the event loop can be seen working.
#include "game/app_main.h"

#include <GLES2/gl2.h>

#include <cstring>

#include "app/app_frame.h"
#include "platform/message_box.h"

namespace {

int g_handle = 0;

AppHandle OnInitialize() {
    LogGLInfo();
    return &g_handle;
}
void OnFinalize(AppHandle) {}
void OnUpdate(AppHandle) {}
void OnRender(AppHandle) {
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
void OnPostRender(AppHandle) {}
void OnActivate(AppHandle, int) {}
void OnDevice(AppHandle) {}
void OnKey(AppHandle, int key, int down) {
    if (key == 0 && down) PostQuit(0);
}

}  // namespace

int AppMain(int, char**) {
    SetMessageBoxPresenter(ShowGtkMessageBox);
    AppDescriptor descriptor;
    strncpy(descriptor.title, "Quillmoor", sizeof descriptor.title - 1);
    descriptor.clientWidth = 1280;
    descriptor.clientHeight = 720;
    descriptor.OnInitialize = OnInitialize;
    descriptor.OnFinalize = OnFinalize;
    descriptor.OnUpdate = OnUpdate;
    descriptor.OnRender = OnRender;
    descriptor.OnPostRender = OnPostRender;
    descriptor.OnActivate = OnActivate;
    descriptor.OnLostDevice = OnDevice;
    descriptor.OnResetDevice = OnDevice;
    descriptor.OnKey = OnKey;
    return RunApplication(descriptor);
}
