// Any bytes through the WAVE, EADP and Ogg readers, looping or not, end within the frame bound
// without reading out of bounds; the seeds are small files made by our writers.
#include "media/sound_codec.h"
#include "tests/fuzz/fuzz_seeds.h"
#include "tests/media/sound_test_util.h"

std::vector<std::string> FuzzSeeds() {
    std::vector<int16_t> tone = Sine(300, 2, 500, 22050);
    return {EncodeToBytes(GetWaveWriterCodec(), tone, 2, 22050, 10, 200),
            EncodeToBytes(GetAdpcmWriterCodec(), tone, 2, 22050),
            MakeOgg(tone, 2, 22050, {"LPST=10", "LPED=200"})};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const SoundCodec* reader : {GetWaveReaderCodec(), GetAdpcmReaderCodec(), GetOggReaderCodec()})
        DecodeBytes(reader, bytes, size > 0 ? data[0] % 3 : 0, 1 << 15, 2);
    return 0;
}
