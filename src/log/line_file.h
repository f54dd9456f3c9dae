// A text file written one whole line per system call, for the files a run appends to as it goes.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace kc::log {

// An open file (replaced when it existed) that takes lines made of pieces. Each line reaches the system in
// one write, so a line written is in the file even when the process dies right after, and no buffer of the
// program's own holds lines back. Not safe for several threads at once: callers serialise their lines.
class LineFile {
public:
    LineFile() = default;
    ~LineFile() { Close(); }
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    LineFile(LineFile&& other) noexcept;
    LineFile& operator=(LineFile&& other) noexcept;

    // Creates or empties the file at path (closing one open before). False when it cannot be created.
    bool Open(const std::filesystem::path& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }

    // Writes the pieces one after another as one line (the caller's pieces carry its line break). False when
    // the file is not open or the system took less than the whole line.
    bool WriteLine(std::initializer_list<std::string_view> pieces);

private:
    int m_fd = -1;
};

} // namespace kc::log
