#include "formats/byte_source.h"

#include <algorithm>
#include <cstring>

namespace bvdformats {

size_t MemoryByteSource::Read(char* buffer, size_t capacity)
{
    const size_t n = std::min(capacity, data_.size() - position_);
    if (n != 0) std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

bool MemoryByteSource::Rewind()
{
    position_ = 0;
    return true;
}

std::unique_ptr<FileByteSource> FileByteSource::Open(const std::string& path)
{
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(path.c_str(), "rb"));
    if (!file) return nullptr;
    return std::unique_ptr<FileByteSource>(new FileByteSource(std::move(file)));
}

size_t FileByteSource::Read(char* buffer, size_t capacity)
{
    const size_t n = std::fread(buffer, 1, capacity, file_.get());
    if (n < capacity && std::ferror(file_.get())) failed_ = true;
    return n;
}

bool FileByteSource::Rewind()
{
    failed_ = false;
    if (std::fseek(file_.get(), 0, SEEK_SET) != 0) return false;
    std::clearerr(file_.get());
    return true;
}

}  // namespace bvdformats
