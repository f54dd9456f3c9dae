// Writing a file's lines with one gathering write each.
#include "log/line_file.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

namespace kc::log {
namespace {

constexpr size_t kMostPieces = 16;

} // namespace

LineFile::LineFile(LineFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

LineFile& LineFile::operator=(LineFile&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool LineFile::Open(const std::filesystem::path& path)
{
    Close();
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return m_fd >= 0;
}

void LineFile::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool LineFile::WriteLine(std::initializer_list<std::string_view> pieces)
{
    if (m_fd < 0 || pieces.size() > kMostPieces)
        return false;
    std::array<iovec, kMostPieces> parts{};
    size_t count = 0;
    for (const std::string_view piece : pieces) {
        if (piece.empty())
            continue;
        parts[count].iov_base = const_cast<char*>(piece.data());
        parts[count].iov_len = piece.size();
        ++count;
    }
    // A write cut short (a full disk, a signal) goes on where it stopped, so a line is never half there
    // while the next one follows.
    size_t first = 0;
    while (first < count) {
        const ssize_t wrote = ::writev(m_fd, parts.data() + first, static_cast<int>(count - first));
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (wrote == 0)
            return false;
        auto left = static_cast<size_t>(wrote);
        while (first < count && left >= parts[first].iov_len) {
            left -= parts[first].iov_len;
            ++first;
        }
        if (first < count) {
            parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + left;
            parts[first].iov_len -= left;
        }
    }
    return true;
}

} // namespace kc::log
