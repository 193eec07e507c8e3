// The stdio files take UTF-8 paths as they are, which is what Linux names are.
#include "fx/file_interface.h"

namespace Fx {

namespace {

int64_t LengthOf(FILE* file) {
    long position = ftell(file);
    if (position < 0 || fseek(file, 0, SEEK_END) != 0) return -1;
    long length = ftell(file);
    fseek(file, position, SEEK_SET);
    return length;
}

}  // namespace

size_t DefaultFileReader::Read(void* buffer, size_t size) { return fread(buffer, 1, size, file_); }
void DefaultFileReader::Seek(int64_t position) { fseek(file_, static_cast<long>(position), SEEK_SET); }
int64_t DefaultFileReader::GetPosition() { return ftell(file_); }
int64_t DefaultFileReader::GetLength() { return LengthOf(file_); }

size_t DefaultFileWriter::Write(const void* data, size_t size) { return fwrite(data, 1, size, file_); }
void DefaultFileWriter::Flush() { fflush(file_); }
void DefaultFileWriter::Seek(int64_t position) { fseek(file_, static_cast<long>(position), SEEK_SET); }
int64_t DefaultFileWriter::GetPosition() { return ftell(file_); }
int64_t DefaultFileWriter::GetLength() { return LengthOf(file_); }

std::unique_ptr<FileReader> DefaultFileInterface::OpenRead(const char* path) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return nullptr;
    return std::make_unique<DefaultFileReader>(file);
}

std::unique_ptr<FileWriter> DefaultFileInterface::OpenWrite(const char* path) {
    FILE* file = fopen(path, "wb");
    if (file == nullptr) return nullptr;
    return std::make_unique<DefaultFileWriter>(file);
}

}  // namespace Fx
