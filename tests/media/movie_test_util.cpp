#include "tests/media/movie_test_util.h"

#include <cstring>
#include <vector>

#include "fs/pack_keys.h"
#include "fs/pack_mgr.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "tools/epk2tool/pack_writer.h"

uint32_t ClipColour(uint32_t index, bool bottom) {
    static const uint32_t kColours[] = {0xE02010, 0x20C040, 0x3040E0, 0xE0E020, 0x20E0E0,
                                        0xE020E0, 0x808080, 0xF08030, 0x3080F0, 0x60F080};
    return kColours[(index + (bottom ? 5 : 0)) % 10];
}

std::string MakeClip(const ClipSpec& spec) {
    TempDir dir;
    std::string raw;
    for (int f = 0; f < spec.frames; ++f) {
        for (int y = 0; y < spec.height; ++y) {
            uint32_t c = ClipColour(static_cast<uint32_t>(f), y >= spec.height / 2);
            const char rgb[3] = {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
            for (int x = 0; x < spec.width; ++x) raw.append(rgb, 3);
        }
    }
    if (!dir.Write("frames.rgb", raw)) return "";
    std::vector<std::string> args = {"/usr/bin/ffmpeg", "-v", "error", "-f", "rawvideo", "-pix_fmt", "rgb24", "-s",
                                     std::to_string(spec.width) + "x" + std::to_string(spec.height), "-r",
                                     std::to_string(spec.fps), "-i", dir.File("frames.rgb")};
    if (spec.tone) {
        const double seconds = static_cast<double>(spec.frames) / spec.fps;
        args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050:duration=" +
                                                          std::to_string(seconds)});
    }
    args.insert(args.end(), {"-c:v", spec.codec, "-q:v", "2", "-pix_fmt",
                             std::strcmp(spec.codec, "mjpeg") == 0 ? "yuvj444p" : "yuv420p"});
    if (spec.tone) args.insert(args.end(), {"-c:a", "pcm_s16le"});
    const std::string name = std::string("clip.") + spec.container;
    args.insert(args.end(), {"-y", dir.File(name)});
    return RunProgram(args).status == 0 ? dir.Read(name) : "";
}

PackMgr* PackOfMovies(const std::string& name1, const std::string& bytes1, const std::string& name2,
                      const std::string& bytes2) {
    static std::vector<std::vector<uint8_t>> keep;  // a memory pack reads its caller's bytes
    PackWriter writer;
    const int folder = writer.AddDirectory(PackWriter::kRoot, "movie");
    PackFileOptions stored;
    stored.compression = PackCompression::kNever;
    writer.AddFile(folder, name1, std::vector<uint8_t>(bytes1.begin(), bytes1.end()), stored);
    PackFileOptions zlib;
    zlib.compression = PackCompression::kAlways;
    writer.AddFile(folder, "z" + name1, std::vector<uint8_t>(bytes1.begin(), bytes1.end()), zlib);
    if (!name2.empty()) writer.AddFile(folder, name2, std::vector<uint8_t>(bytes2.begin(), bytes2.end()), stored);
    keep.emplace_back();
    std::string error;
    if (!writer.Build(GetBuiltInPackKeyTable(), &keep.back(), &error)) return nullptr;
    return OpenPackMemory(keep.back().data(), static_cast<uint32_t>(keep.back().size()), nullptr);
}
