// Files as the effect runtime reads and writes them, and the stdio version
// used when no other file interface is given. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace Fx {

class FileReader {
public:
    virtual ~FileReader() = default;
    // Bytes read.
    virtual size_t Read(void* buffer, size_t size) = 0;
    virtual void Seek(int64_t position) = 0;
    virtual int64_t GetPosition() = 0;
    virtual int64_t GetLength() = 0;
};

class FileWriter {
public:
    virtual ~FileWriter() = default;
    virtual size_t Write(const void* data, size_t size) = 0;
    virtual void Flush() = 0;
    virtual void Seek(int64_t position) = 0;
    virtual int64_t GetPosition() = 0;
    virtual int64_t GetLength() = 0;
};

class FileInterface {
public:
    virtual ~FileInterface() = default;
    // Null when the file cannot be opened.
    virtual std::unique_ptr<FileReader> OpenRead(const char* path) = 0;
    virtual std::unique_ptr<FileWriter> OpenWrite(const char* path) = 0;
};

class DefaultFileReader : public FileReader {
public:
    explicit DefaultFileReader(FILE* file) : file_(file) {}
    ~DefaultFileReader() override { fclose(file_); }
    size_t Read(void* buffer, size_t size) override;
    void Seek(int64_t position) override;
    int64_t GetPosition() override;
    int64_t GetLength() override;

private:
    FILE* file_;
};

class DefaultFileWriter : public FileWriter {
public:
    explicit DefaultFileWriter(FILE* file) : file_(file) {}
    ~DefaultFileWriter() override { fclose(file_); }
    size_t Write(const void* data, size_t size) override;
    void Flush() override;
    void Seek(int64_t position) override;
    int64_t GetPosition() override;
    int64_t GetLength() override;

private:
    FILE* file_;
};

class DefaultFileInterface : public FileInterface {
public:
    std::unique_ptr<FileReader> OpenRead(const char* path) override;
    std::unique_ptr<FileWriter> OpenWrite(const char* path) override;
};

}  // namespace Fx
