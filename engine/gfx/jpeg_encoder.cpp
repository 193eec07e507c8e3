// JPEG encoder for screenshots over libjpeg, writing through a Stream in
// 32768-byte pieces. libjpeg's fatal errors come back here by longjmp instead
// of ending the process, and a stream that refuses bytes fails the encode.
#include <cstddef>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

#include "core/allocator.h"
#include "fs/stream.h"
#include "gfx/image_file.h"
#include "platform/debug_log.h"

namespace {

constexpr size_t kJpegBufferSize = 32768;
constexpr int kJpegQuality = 80;

struct JpegErrors {
    jpeg_error_mgr base;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

struct JpegDestination {
    jpeg_destination_mgr base;
    Stream* stream;
    JOCTET* buffer;
};

struct JpegEncode {
    jpeg_compress_struct info;
    JpegErrors errors;
    JpegDestination destination;
    Stream* stream = nullptr;
    const Image* image = nullptr;
    bool bottomUp = false;
    Allocator* allocator = nullptr;
    JOCTET* buffer = nullptr;
    JSAMPLE* row = nullptr;
};

void OnJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    longjmp(errors->jump, 1);
}

void OnJpegMessage(j_common_ptr) {}

// A stream failure is raised as a libjpeg error so one path cleans up.
[[noreturn]] void FailWrite(j_compress_ptr info, const char* what) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    snprintf(errors->message, sizeof errors->message, "%s", what);
    longjmp(errors->jump, 1);
}

void InitDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    destination->base.next_output_byte = destination->buffer;
    destination->base.free_in_buffer = kJpegBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    if (destination->stream->Write(destination->buffer, kJpegBufferSize) != kJpegBufferSize) {
        FailWrite(info, "the stream refused bytes");
    }
    destination->base.next_output_byte = destination->buffer;
    destination->base.free_in_buffer = kJpegBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<JpegDestination*>(info->dest);
    auto count = static_cast<uint32_t>(kJpegBufferSize - destination->base.free_in_buffer);
    if (count > 0 && destination->stream->Write(destination->buffer, count) != count) {
        FailWrite(info, "the stream refused bytes");
    }
    if (destination->stream->Flush() < 0) FailWrite(info, "the stream could not be flushed");
}

// Everything libjpeg may jump out of; state lives in the caller's JpegEncode.
bool RunEncode(JpegEncode* encode) {
    jpeg_compress_struct* info = &encode->info;
    if (setjmp(encode->errors.jump) != 0) return false;

    jpeg_create_compress(info);
    encode->destination.base.init_destination = InitDestination;
    encode->destination.base.empty_output_buffer = EmptyOutputBuffer;
    encode->destination.base.term_destination = TermDestination;
    encode->destination.stream = encode->stream;
    encode->destination.buffer = encode->buffer;
    info->dest = &encode->destination.base;

    const Image* image = encode->image;
    info->image_width = static_cast<JDIMENSION>(image->width);
    info->image_height = static_cast<JDIMENSION>(image->height);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, kJpegQuality, TRUE);
    jpeg_start_compress(info, TRUE);

    const size_t sourceRowSize = static_cast<size_t>(image->width) * image->bitsPerPixel / 8;
    while (info->next_scanline < info->image_height) {
        JDIMENSION y = info->next_scanline;
        if (encode->bottomUp) y = info->image_height - 1 - y;
        const uint8_t* source = image->pixels + y * sourceRowSize;
        JSAMPROW row;
        if (image->type == kPixelRgb888) {
            row = const_cast<JSAMPROW>(source);
        } else {
            for (int32_t x = 0; x < image->width; ++x) {
                encode->row[x * 3 + 0] = source[x * 4 + 0];
                encode->row[x * 3 + 1] = source[x * 4 + 1];
                encode->row[x * 3 + 2] = source[x * 4 + 2];
            }
            row = encode->row;
        }
        jpeg_write_scanlines(info, &row, 1);
    }
    jpeg_finish_compress(info);
    return true;
}

}  // namespace

int EncodeJpeg(Stream* stream, const Image* image, bool bottomUp, Allocator* allocator) {
    if (stream == nullptr || image == nullptr || (image->type != kPixelRgb888 && image->type != kPixelRgba8888) ||
        image->width < 1 || image->height < 1) {
        return 0;
    }
    JpegEncode encode;
    memset(&encode.info, 0, sizeof encode.info);
    encode.stream = stream;
    encode.image = image;
    encode.bottomUp = bottomUp;
    encode.allocator = allocator;
    encode.buffer = static_cast<JOCTET*>(Alloc(allocator, kJpegBufferSize, 0));
    if (image->type == kPixelRgba8888) {
        encode.row = static_cast<JSAMPLE*>(Alloc(allocator, static_cast<size_t>(image->width) * 3, 0));
    }
    if (encode.buffer == nullptr || (image->type == kPixelRgba8888 && encode.row == nullptr)) {
        Allocator::Free(encode.buffer);
        Allocator::Free(encode.row);
        LogFailed("allocate the JPEG buffers");
        return 0;
    }
    encode.info.err = jpeg_std_error(&encode.errors.base);
    encode.errors.base.error_exit = OnJpegError;
    encode.errors.base.output_message = OnJpegMessage;
    encode.errors.message[0] = '\0';

    bool ok = RunEncode(&encode);
    jpeg_destroy_compress(&encode.info);
    Allocator::Free(encode.buffer);
    Allocator::Free(encode.row);
    if (!ok) LogFailed("write the JPEG image: %s", encode.errors.message);
    return ok ? 1 : 0;
}
