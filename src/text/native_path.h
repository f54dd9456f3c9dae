// The one crossing between internal-text file paths and the native paths of the file system.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kc::text {

// Turns an internal-text path into a native path: GB18030 to the file system's UTF-8, and "\"
// separators to the platform's separator.
std::filesystem::path NativePath(std::string_view internalPath);

// The same native path as plain text, for the system calls that take a name: no path object is built, which
// a file read per published article would otherwise pay for.
std::string NativePathText(std::string_view internalPath);

// Turns a native path into internal text (UTF-8 file names to GB18030, "/" kept).
std::string InternalPath(const std::filesystem::path& nativePath);

} // namespace kc::text
