// Fuzzing the three sound readers: any bytes through the WAVE, EADP and Ogg
// readers, looping or not, must end within the frame bound without reading
// out of bounds. The seeds are small valid files made by our writers.
#include <cstdint>
#include <string>
#include <vector>

#include "fs/stream.h"
#include "media/sound_codec.h"
#include "media/sound_file_io.h"
#include "tests/fuzz/fuzz_seeds.h"
#include "tests/media/sound_test_util.h"

std::vector<std::string> FuzzSeeds() {
    std::vector<int16_t> tone = Sine(300, 2, 500, 22050);
    return {EncodeToBytes(GetWaveWriterCodec(), tone, 2, 22050, 10, 200),
            EncodeToBytes(GetAdpcmWriterCodec(), tone, 2, 22050),
            MakeOgg(tone, 2, 22050, {"LPST=10", "LPED=200"})};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SoundCodec* readers[] = {GetWaveReaderCodec(), GetAdpcmReaderCodec(), GetOggReaderCodec()};
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const SoundCodec* reader : readers) {
        Stream* stream = StreamOf(bytes);
        std::vector<int32_t> samples;
        DecodeSound(reader, stream, size > 0 ? data[0] % 3 : 0, 2, 1 << 15, &samples, nullptr);
        stream->Release();
    }
    return 0;
}
