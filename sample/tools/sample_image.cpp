// The sample generators' file and PNG writers (libpng's simplified API).
// Failures name the running tool, so each generator reports as itself.
#include "sample_image.h"

#include <errno.h>
#include <png.h>

#include <cstdio>

bool WriteWholeFile(const std::string& path, const void* data, size_t size) {
    FILE* file = fopen(path.c_str(), "wb");
    bool ok = file != nullptr && fwrite(data, 1, size, file) == size;
    if (file != nullptr && fclose(file) != 0) ok = false;
    if (!ok) fprintf(stderr, "%s: cannot write %s\n", program_invocation_short_name, path.c_str());
    return ok;
}

bool WriteRgbaPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    if (png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) return true;
    fprintf(stderr, "%s: cannot write %s: %s\n", program_invocation_short_name, path.c_str(), image.message);
    return false;
}
