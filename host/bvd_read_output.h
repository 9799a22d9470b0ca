#pragma once
// Where `bvd read` writes, and how it shows its progress.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace bvd {

// Standard output, or a file written through a temporary file beside it
// (".NAME.XXXXXX") that Commit renames to NAME: the target name only ever
// holds a complete output. The temporary file is removed when the output is
// destroyed without Commit, and when the program is ended by SIGINT, SIGTERM
// or SIGHUP while it exists.
class Output {
public:
    // `file` empty: standard output. Otherwise creates the temporary file;
    // throws bvd::Failure when it cannot.
    explicit Output(std::string file);
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Buffered; throws bvd::Failure when writing fails.
    void Write(std::string_view text);
    // Writes what is buffered (before a message on stderr).
    void Flush();
    // Flushes and, for a file, puts it in place under its name.
    void Commit();

private:
    struct Closer {
        void operator()(std::FILE* f) const noexcept { std::fclose(f); }
    };
    [[noreturn]] void Fail(int error);

    std::string file_;  // empty: standard output
    std::string temp_;  // the temporary file, until Commit
    std::unique_ptr<std::FILE, Closer> stream_;
    std::string pending_;
};

// The data file a definition file names: its path with the last full stop
// and what follows replaced by ".asc" (".asc" appended without one), as the
// reader finds it.
std::string DataFileOf(const std::string& survey);

// Records read and the share of the data file behind them, on a terminal's
// stderr: shown once a read has taken `delay` (half a second), refreshed every
// `interval` (four times a second), erased at the end. Does nothing when
// `wanted` is false or stderr is not a terminal.
class Progress {
public:
    explicit Progress(std::string dataFile, bool wanted = true,
                      std::chrono::milliseconds delay = std::chrono::milliseconds(500),
                      std::chrono::milliseconds interval = std::chrono::milliseconds(250));
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Record(long records);
    // Erases the line (before a message or at the end).
    void Clear();

private:
    int Percent();

    bool enabled_;
    std::string dataFile_;
    std::chrono::milliseconds interval_;
    std::chrono::steady_clock::time_point next_;
    bool shown_ = false;
    int fd_ = -1;  // the reader's descriptor of the data file, once found
};

// "12345 records, 45% of the data file": the progress line.
std::string ProgressText(long records, int percent);

}  // namespace bvd
