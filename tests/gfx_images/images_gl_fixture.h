// A GL test with the graphics side, the image atlas and the task queues
// started, and helpers to load images in the background and read pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/async_texture.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/temp_dir.h"

class ImagesGlTest : public GlTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `bytes` as a file of the test's folder and returns its path.
    std::string WriteFile(const std::string& name, const std::string& bytes);
    // Waits (at most 10 s) until the worker has left the loading state.
    static int WaitForDecode(AsyncTexture* texture);
    // Loads through NewTextureAsync, waits for the decode and runs queue 2 once.
    AsyncTexture* LoadNow(const std::string& path, bool useAtlas);
    static void ClearScreen();
    // RGBA8 pixels of a rectangle, top row first.
    static std::vector<uint8_t> ReadRect(int x, int y, int w, int h);

    TempDir folder_;
};
