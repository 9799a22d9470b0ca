#pragma once
// Record lines out of a byte source. A line feed ends a line, and one
// carriage return right before it belongs to the end as well; a carriage
// return anywhere else is a character of the line. A last line without a line
// feed is a record and keeps all its characters (the original removed one
// character from every line, so it lost the last one there). A blank line is
// a record. A Ctrl-Z byte is an ordinary character (the original's text-mode
// streams ended the data there).
//
// No line length is fixed: the buffer grows with the line actually read, up to
// `maxLineBytes` (a bound so that a file without line feeds cannot take all
// memory). The buffer is reused from line to line:
//
//   buffer_: [ consumed lines | pending line ........ | free ]
//            0                begin_   begin_+scanned_  end_   size()
//
// Bytes before begin_ are given out already; those from begin_ to
// begin_+scanned_ are known to hold no line feed; a refill moves the pending
// bytes to the front and reads the next chunk behind them.
#include <cstddef>
#include <string_view>
#include <vector>

#include "formats/byte_source.h"

namespace bvdformats {

class LineReader {
public:
    static constexpr size_t kDefaultMaxLineBytes = size_t{256} << 20;  // 256 MiB

    enum class Status {
        Line,     // `line` holds the next record
        End,      // no further line
        TooLong,  // a line passes maxLineBytes; the reader stays at this state
    };

    explicit LineReader(ByteSource& source, size_t maxLineBytes = kDefaultMaxLineBytes);

    // The next line without its end; the view stays valid until the next call.
    Status Next(std::string_view& line);

    // Back to the first line (false when the source cannot rewind).
    bool Rewind();

    // Whether the byte source reported a read error (the data then ended).
    bool failed() const noexcept { return source_.failed(); }

private:
    bool Fill();

    ByteSource& source_;
    size_t maxLineBytes_;
    std::vector<char> buffer_;
    size_t begin_ = 0;    // first byte of the pending line
    size_t scanned_ = 0;  // bytes from begin_ already known to hold no line feed
    size_t end_ = 0;      // end of the bytes read
    bool atEnd_ = false;
    bool tooLong_ = false;
};

}  // namespace bvdformats
