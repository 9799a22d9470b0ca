#include "formats/line_reader.h"

#include <algorithm>
#include <cstring>

namespace bvdformats {
namespace {

constexpr size_t kChunk = 64 * 1024;

}  // namespace

LineReader::LineReader(ByteSource& source, size_t maxLineBytes)
    : source_(source), maxLineBytes_(maxLineBytes == 0 ? 1 : maxLineBytes)
{
}

LineReader::Status LineReader::Next(std::string_view& line)
{
    if (tooLong_) return Status::TooLong;
    for (;;) {
        const char* data = buffer_.data();
        const size_t unscanned = end_ - begin_ - scanned_;
        const void* feed = unscanned != 0 ? std::memchr(data + begin_ + scanned_, '\n', unscanned) : nullptr;
        if (feed) {
            const size_t at = static_cast<size_t>(static_cast<const char*>(feed) - data);
            size_t length = at - begin_;
            if (length > 0 && data[at - 1] == '\r') --length;
            if (length > maxLineBytes_) {
                tooLong_ = true;
                return Status::TooLong;
            }
            line = std::string_view(data + begin_, length);
            begin_ = at + 1;
            scanned_ = 0;
            return Status::Line;
        }
        scanned_ = end_ - begin_;
        // One byte of slack: a carriage return that the next chunk's line
        // feed turns into part of the end.
        if (scanned_ > maxLineBytes_ + 1) {
            tooLong_ = true;
            return Status::TooLong;
        }
        if (atEnd_) {
            if (begin_ == end_) return Status::End;
            if (end_ - begin_ > maxLineBytes_) {
                tooLong_ = true;
                return Status::TooLong;
            }
            // The last line, without a line feed: all of it.
            line = std::string_view(data + begin_, end_ - begin_);
            begin_ = end_;
            scanned_ = 0;
            return Status::Line;
        }
        if (!Fill()) atEnd_ = true;
    }
}

// Moves the pending bytes to the front, makes room for one more chunk and
// reads into it; false at the end of the data.
bool LineReader::Fill()
{
    if (begin_ != 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buffer_.size() - end_ < kChunk) buffer_.resize(end_ + kChunk);
    const size_t n = source_.Read(buffer_.data() + end_, kChunk);
    end_ += n;
    return n != 0;
}

bool LineReader::Rewind()
{
    begin_ = scanned_ = end_ = 0;
    atEnd_ = tooLong_ = false;
    return source_.Rewind();
}

}  // namespace bvdformats
