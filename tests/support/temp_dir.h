// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace kc::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // A path inside the folder (the file need not exist).
    std::filesystem::path File(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// The folder of checked-in fixtures: tests/data.
std::filesystem::path DataDir();
// Reads a whole file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);
// Writes bytes as the whole content of a file; false when it cannot be written.
bool WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);

} // namespace kc::test
