// A GL test with the graphics side and the task queues started, and helpers
// to load images in the background from files of the test's own folder.
#pragma once

#include <string>

#include "gfx/async_texture.h"
#include "tests/gfx/gfx_fixture.h"
#include "tests/support/temp_dir.h"

class ImagesGlTest : public GfxTest {
protected:
    void SetUp() override;
    // Also checks that the test released every image and atlas page.
    void TearDown() override;

    // Writes `bytes` as a file of the test's folder and returns its path.
    std::string WriteFile(const std::string& name, const std::string& bytes);
    // Waits (at most 10 s) until the worker has left the loading state.
    static int WaitForDecode(AsyncTexture* texture);
    // Loads through NewTextureAsync, waits for the decode and runs queue 2 once.
    AsyncTexture* LoadNow(const std::string& path, bool useAtlas);

    TempDir folder_;
};
