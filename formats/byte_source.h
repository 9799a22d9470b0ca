#pragma once
// Where record bytes come from: a file or a block of memory, read through the
// same interface so that tests, fuzzers and benchmarks take the reader's path.
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace bvdformats {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `capacity` bytes into `buffer`; 0 at the end of the data. A read
    // error also ends the data; failed() tells it apart from a normal end.
    virtual size_t Read(char* buffer, size_t capacity) = 0;
    // Back to the first byte; false when the source cannot go back.
    virtual bool Rewind() = 0;
    virtual bool failed() const noexcept { return false; }
};

// Bytes that the caller keeps alive for the source's lifetime.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::string_view data) noexcept : data_(data) {}
    size_t Read(char* buffer, size_t capacity) override;
    bool Rewind() override;

private:
    std::string_view data_;
    size_t position_ = 0;
};

// A file opened for reading in binary: line ends are the line reader's
// business, not the stream's.
class FileByteSource final : public ByteSource {
public:
    // Null when the file cannot be opened. `path` is a native (UTF-8) path.
    static std::unique_ptr<FileByteSource> Open(const std::string& path);

    size_t Read(char* buffer, size_t capacity) override;
    bool Rewind() override;
    bool failed() const noexcept override { return failed_; }

private:
    struct CloseFile {
        void operator()(std::FILE* file) const noexcept { std::fclose(file); }
    };
    explicit FileByteSource(std::unique_ptr<std::FILE, CloseFile> file) noexcept : file_(std::move(file)) {}

    std::unique_ptr<std::FILE, CloseFile> file_;
    bool failed_ = false;
};

}  // namespace bvdformats
