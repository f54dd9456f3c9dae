// Conversion of file paths between internal text and the file system's UTF-8 names.
#include "text/native_path.h"

#include "text/text_encoding.h"

#include <algorithm>

namespace kc::text {
namespace {

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::string NativePathText(std::string_view internalPath)
{
    std::string native
        = IsAscii(internalPath) ? std::string(internalPath) : ConvertCharset(internalPath, kInternalCharset, "UTF-8");
    if (native.empty())
        native.assign(internalPath);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

std::filesystem::path NativePath(std::string_view internalPath)
{
    return std::filesystem::path(NativePathText(internalPath));
}

std::string InternalPath(const std::filesystem::path& nativePath)
{
    const std::string& native = nativePath.native();
    if (IsAscii(native))
        return native;
    std::string internal = ConvertCharset(native, "UTF-8", kInternalCharset);
    return internal.empty() ? native : internal;
}

} // namespace kc::text
