// The settings store over a block list with hash indexes, written to disk as whole-file replacements.
#include "config/config_store.h"

#include "config/atomic_file.h"
#include "platform/event_pump.h"
#include "text/native_path.h"
#include "text/number_text.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <mutex>
#include <system_error>
#include <thread>

namespace kc::config {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// "配置模块出现意外，可能导致无法正常保存！详情请咨询Kestrune。"
constexpr std::string_view kWarningText
    = "\xC5\xE4\xD6\xC3\xC4\xA3\xBF\xE9\xB3\xF6\xCF\xD6\xD2\xE2\xCD\xE2\xA3\xAC\xBF\xC9\xC4\xDC\xB5\xBC\xD6\xC2"
      "\xCE\xDE\xB7\xA8\xD5\xFD\xB3\xA3\xB1\xA3\xB4\xE6\xA3\xA1\xCF\xEA\xC7\xE9\xC7\xEB\xD7\xC9\xD1\xAF"
      "Kestrune\xA1\xA3";

// Every store has a number of its own, by which each thread keeps the store's current section.
std::atomic<uint64_t> g_storeIds{1};
thread_local std::unordered_map<uint64_t, std::string> t_currentSections;

std::mutex g_warningMutex;
std::function<void(std::string_view)> g_warningHandler;

void Warn(std::string_view text)
{
    std::function<void(std::string_view)> handler;
    {
        std::lock_guard lock(g_warningMutex);
        handler = g_warningHandler;
    }
    if (handler)
        handler(text);
}

bool HasLineBreak(std::string_view text)
{
    return text.find(kCrLf) != std::string_view::npos;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    std::string result;
    result.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        const size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos)
            break;
        result.append(text.substr(pos, hit - pos)).append(to);
        pos = hit + from.size();
    }
    result.append(text.substr(pos));
    return result;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// True for a line key + "=" + value.
bool IsKeyLine(std::string_view line, std::string_view key)
{
    return line.size() > key.size() && line[key.size()] == '=' && StartsWith(line, key);
}

} // namespace

void SetConfigWarningHandler(std::function<void(std::string_view text)> handler)
{
    std::lock_guard lock(g_warningMutex);
    g_warningHandler = std::move(handler);
}

std::string FormatNumber(double number)
{
    // Plain decimal digits, never an exponent: readers that take a text's leading number (other programs, older
    // versions, hand edits) would read "1e+06" as 1. The shortest digits that read back as the same double.
    if (!std::isfinite(number))
        return "0";
    char buffer[400]; // the longest fixed form of a double (about 5e-324) has 327 characters
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0");
}

double ParseNumber(std::string_view text)
{
    bool negative = false;
    size_t pos = text::SkipBlanksAndSign(text, negative);
    const size_t start = pos;
    auto isDigit = [&](size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
    size_t digits = 0;
    while (isDigit(pos))
        ++pos, ++digits;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        while (isDigit(pos))
            ++pos, ++digits;
    }
    if (digits == 0)
        return 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        size_t exponent = pos + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        if (isDigit(exponent)) {
            pos = exponent;
            while (isDigit(pos))
                ++pos;
        }
    }
    double value = 0;
    const auto result = std::from_chars(text.data() + start, text.data() + pos, value);
    if (result.ec == std::errc::result_out_of_range)
        return 0;
    return negative ? -value : value;
}

long long FindHeaderBetween(std::string_view image, long long from, long long to)
{
    long long pos = from < 1 ? 1 : from;
    for (;;) {
        if (pos > static_cast<long long>(image.size()))
            return -1;
        const size_t crLf = image.find("\r\n[", static_cast<size_t>(pos - 1));
        if (crLf == std::string_view::npos || static_cast<long long>(crLf) + 1 >= to)
            return -1;
        const long long bracket = static_cast<long long>(crLf) + 3;
        const size_t close = image.find("]\r\n", static_cast<size_t>(bracket - 1));
        if (close != std::string_view::npos) {
            if (static_cast<long long>(close) + 1 > to)
                return -1;
            const std::string_view name
                = image.substr(static_cast<size_t>(bracket), close - static_cast<size_t>(bracket));
            if (!HasLineBreak(name))
                return bracket;
        }
        pos = bracket;
    }
}

ConfigStore::ConfigStore()
    : m_id(g_storeIds.fetch_add(1, std::memory_order_relaxed))
{
    Parse({});
}

ConfigStore::~ConfigStore()
{
    Close();
    t_currentSections.erase(m_id);
}

void ConfigStore::Parse(std::string_view image)
{
    m_blocks.clear();
    m_sections.clear();
    m_cacheValid = false;
    m_blocks.emplace_back();
    if (image.empty())
        return;
    size_t pos = 0;
    for (;;) {
        const size_t end = image.find(kCrLf, pos);
        const std::string_view line = image.substr(pos, end == std::string_view::npos ? end : end - pos);
        if (!line.empty() && line.front() == '[')
            m_blocks.emplace_back();
        m_blocks.back().lines.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        pos = end + kCrLf.size();
    }
    for (auto it = std::next(m_blocks.begin()); it != m_blocks.end(); ++it)
        IndexBlock(it);
}

std::string ConfigStore::Image() const
{
    std::lock_guard lock(m_mutex);
    return BuildImage();
}

std::string ConfigStore::BuildImage() const
{
    size_t size = 0;
    size_t count = 0;
    for (const Block& block : m_blocks)
        for (const std::string& line : block.lines)
            size += line.size(), ++count;
    std::string image;
    image.reserve(size + 2 * count);
    bool first = true;
    for (const Block& block : m_blocks)
        for (const std::string& line : block.lines) {
            if (!first)
                image += kCrLf;
            image += line;
            first = false;
        }
    return image;
}

void ConfigStore::NormaliseEmpty()
{
    // One empty line and no line at all are the same empty file; the first header then needs no line break.
    Block& leading = m_blocks.front();
    if (m_blocks.size() == 1 && leading.lines.size() == 1 && leading.lines.front().empty())
        leading.lines.clear();
}

void ConfigStore::IndexBlock(BlockIt block)
{
    const std::string& header = block->lines.front();
    const size_t close = header.find(']');
    if (close != std::string::npos)
        m_sections[header.substr(1, close - 1)].push_back(block);
}

void ConfigStore::UnindexBlock(BlockIt block)
{
    const std::string& header = block->lines.front();
    const size_t close = header.find(']');
    if (close == std::string::npos)
        return;
    const auto entry = m_sections.find(header.substr(1, close - 1));
    if (entry == m_sections.end())
        return;
    std::erase(entry->second, block);
    if (entry->second.empty())
        m_sections.erase(entry);
}

ConfigStore::BlockIt ConfigStore::FindSection(std::string_view section)
{
    if (m_cacheValid && m_cachedName == section)
        return m_cachedBlock;
    BlockIt found = m_blocks.end();
    if (HasLineBreak(section)) {
        // No header can hold a line break; such a name is never found.
    } else if (section.find(']') == std::string_view::npos) {
        const auto entry = m_sections.find(std::string(section));
        if (entry != m_sections.end())
            found = entry->second.front();
    } else {
        // The name index keys a header by its text up to the first "]"; this rare name needs a scan.
        const std::string header = "[" + std::string(section) + "]";
        for (auto it = std::next(m_blocks.begin()); it != m_blocks.end(); ++it)
            if (StartsWith(it->lines.front(), header)) {
                found = it;
                break;
            }
    }
    if (found != m_blocks.end()) {
        m_cachedName.assign(section);
        m_cachedBlock = found;
        m_cacheValid = true;
    }
    return found;
}

bool ConfigStore::IsWellFormedHeader(BlockIt block) const
{
    // A header ends a section only when "]" ends its line and a line break follows, so the last line of the
    // file never does.
    const std::string& header = block->lines.front();
    const bool lastLine = std::next(block) == m_blocks.end() && block->lines.size() == 1;
    return header.size() >= 2 && header.back() == ']' && !lastLine;
}

void ConfigStore::EnsureKeyIndex(Block& block)
{
    if (block.keysValid)
        return;
    block.keys.clear();
    for (size_t i = 1; i < block.lines.size(); ++i) {
        const std::string& line = block.lines[i];
        const size_t equals = line.find('=');
        if (equals != std::string::npos)
            block.keys.try_emplace(line.substr(0, equals), static_cast<uint32_t>(i));
    }
    block.keysValid = true;
}

ConfigStore::KeyPos ConfigStore::FindKey(BlockIt header, std::string_view key)
{
    // The section runs from its header to the next well-formed header; a malformed "[" line inside it starts a
    // new block but not a new section.
    const bool scan = key.find('=') != std::string_view::npos || StartsWith(key, "[");
    const std::string keyText(key);
    for (BlockIt it = header; it != m_blocks.end(); ++it) {
        if (it != header && IsWellFormedHeader(it))
            break;
        if (scan) {
            for (size_t i = it == header ? 1 : 0; i < it->lines.size(); ++i)
                if (IsKeyLine(it->lines[i], key))
                    return {it, i, true};
        } else {
            EnsureKeyIndex(*it);
            const auto hit = it->keys.find(keyText);
            if (hit != it->keys.end())
                return {it, hit->second, true};
        }
    }
    return {};
}

bool ConfigStore::Open(std::string_view path, OpenMode mode)
{
    std::lock_guard lock(m_mutex);
    CloseLocked();
    m_path.assign(path);
    m_mode = mode;
    m_cacheValid = false;
    const std::filesystem::path native = text::NativePath(path);
    RemoveStaleTemporaries(native);
    if (mode == OpenMode::HeldOpen)
        m_fd = OpenAndLock(native);
    std::string bytes;
    ReadWholeFile(native, bytes);
    Parse(bytes);
    return mode == OpenMode::InMemory || m_fd >= 0;
}

void ConfigStore::Close()
{
    std::lock_guard lock(m_mutex);
    CloseLocked();
}

void ConfigStore::CloseLocked()
{
    if (m_dirty && m_fd >= 0)
        WriteFileAtomically(text::NativePath(m_path), BuildImage(), &m_fd);
    Unlock(m_fd);
    m_fd = -1;
    m_dirty = false;
    m_batchDepth = 0;
    Parse({});
}

bool ConfigStore::Save()
{
    std::lock_guard lock(m_mutex);
    if (m_path.empty())
        return false;
    const bool ok = WriteFileAtomically(text::NativePath(m_path), BuildImage(), m_fd >= 0 ? &m_fd : nullptr);
    if (ok)
        m_dirty = false;
    return ok;
}

void ConfigStore::BeginBatch()
{
    std::lock_guard lock(m_mutex);
    ++m_batchDepth;
}

bool ConfigStore::EndBatch()
{
    std::lock_guard lock(m_mutex);
    if (m_batchDepth > 0)
        --m_batchDepth;
    return m_batchDepth > 0 || !m_dirty || Commit();
}

bool ConfigStore::Commit()
{
    if (m_mode != OpenMode::HeldOpen)
        return true;
    m_dirty = true;
    if (m_batchDepth > 0)
        return true;
    // A store whose file could not be held reaches nothing on disk; say so instead of pretending.
    if (m_fd < 0)
        return false;
    if (!WriteFileAtomically(text::NativePath(m_path), BuildImage(), &m_fd))
        return false;
    m_dirty = false;
    return true;
}

int ConfigStore::PutValue(std::string_view section, std::string_view key, std::string_view value, bool immediate)
{
    std::unique_lock lock(m_mutex);
    PendingOp op{true, std::string(section), std::string(key), std::string(value)};
    return immediate ? RunNow(lock, op) : Enqueue(lock, std::move(op));
}

int ConfigStore::DeleteEntry(std::string_view section, std::string_view key, bool immediate)
{
    std::unique_lock lock(m_mutex);
    PendingOp op{false, std::string(section), std::string(key), {}};
    return immediate ? RunNow(lock, op) : Enqueue(lock, std::move(op));
}

int ConfigStore::Enqueue(std::unique_lock<std::mutex>& lock, PendingOp op)
{
    if (m_busy) {
        // A call from an event handler while this thread works off the queue waits its turn.
        if (m_busyThread == std::this_thread::get_id()) {
            m_pending.push_back(std::move(op));
            return kQueued;
        }
        // Another thread is working off its queue and lets its window events run between operations; an
        // operation of this thread is not one of those events and runs at once, whole.
        return RunNow(lock, op);
    }
    m_pending.push_back(std::move(op));
    return RunQueue(lock);
}

int ConfigStore::RunQueue(std::unique_lock<std::mutex>& lock)
{
    if (m_pending.empty())
        return kFailed;
    m_busy = true;
    m_busyThread = std::this_thread::get_id();
    bool first = true;
    int result = kFailed;
    // Operations queued by event handlers while one runs are worked off in order; the first one's result counts.
    while (!m_pending.empty()) {
        const PendingOp op = std::move(m_pending.front());
        m_pending.pop_front();
        // Window events run before the operation, without the lock, so that a handler may read the store and
        // other threads are not held up; handlers' writes queue behind this one.
        lock.unlock();
        platform::PumpEvents();
        lock.lock();
        const int opResult = RunNow(lock, op);
        if (first)
            result = opResult;
        first = false;
    }
    m_busy = false;
    return result;
}

int ConfigStore::RunNow(std::unique_lock<std::mutex>& lock, const PendingOp& op)
{
    std::vector<std::string> warnings;
    const int result = op.isWrite ? PutNow(op.section, op.key, op.value, warnings) : DeleteNow(op.section, op.key);
    if (!warnings.empty()) {
        // The warning boxes let window events run; the store must be usable meanwhile.
        lock.unlock();
        for (const std::string& warning : warnings)
            Warn(warning);
        lock.lock();
    }
    return result;
}

int ConfigStore::PutNow(
    std::string_view section, std::string_view key, std::string_view value, std::vector<std::string>& warnings)
{
    if (HasLineBreak(section) || HasLineBreak(key)) {
        // A header or key line cannot hold a line break: the section could not be found after creating it.
        warnings.emplace_back(kWarningText);
        warnings.push_back(BuildImage());
        return kFailed;
    }
    BlockIt header = FindSection(section);
    if (header == m_blocks.end()) {
        NormaliseEmpty();
        Block block;
        block.lines.push_back("[" + std::string(section) + "]");
        m_blocks.push_back(std::move(block));
        header = std::prev(m_blocks.end());
        IndexBlock(header);
        m_cachedName.assign(section);
        m_cachedBlock = header;
        m_cacheValid = true;
    }
    const KeyPos pos = FindKey(header, key);
    if (pos.found) {
        std::string& line = pos.block->lines[pos.line];
        line.resize(key.size() + 1);
        line.append(value);
    } else {
        // A new key becomes the last line of its section's first block, before the next "[" line.
        header->lines.push_back(std::string(key) + "=" + std::string(value));
        if (header->keysValid) {
            const std::string& line = header->lines.back();
            header->keys.try_emplace(line.substr(0, line.find('=')), static_cast<uint32_t>(header->lines.size() - 1));
        }
    }
    // A value with line breaks, or a key line that begins with "[", changes where lines and blocks start.
    if (HasLineBreak(value) || (!pos.found && StartsWith(key, "[")))
        Parse(BuildImage());
    return Commit() ? kDone : kFailed;
}

int ConfigStore::DeleteNow(std::string_view section, std::string_view key)
{
    const BlockIt header = FindSection(section);
    if (header == m_blocks.end())
        return kSectionNotFound;
    if (key.empty()) {
        // The section takes with it every block up to the next well-formed header, and the line break before
        // that header; the line break before the deleted header stays (none is left at the end of the file).
        BlockIt end = std::next(header);
        while (end != m_blocks.end() && !IsWellFormedHeader(end))
            ++end;
        for (BlockIt it = header; it != end;) {
            UnindexBlock(it);
            it = m_blocks.erase(it);
        }
        m_cacheValid = false;
        NormaliseEmpty();
    } else {
        if (HasLineBreak(key))
            return kKeyNotFound;
        const KeyPos pos = FindKey(header, key);
        if (!pos.found)
            return kKeyNotFound;
        pos.block->lines.erase(pos.block->lines.begin() + static_cast<std::ptrdiff_t>(pos.line));
        pos.block->keysValid = false;
        if (pos.line == 0)
            Parse(BuildImage());
    }
    return Commit() ? kDone : kFailed;
}

std::string ConfigStore::GetValue(std::string_view section, std::string_view key, std::string_view defaultValue)
{
    std::lock_guard lock(m_mutex);
    const BlockIt header = FindSection(section);
    if (header == m_blocks.end() || HasLineBreak(key))
        return std::string(defaultValue);
    const KeyPos pos = FindKey(header, key);
    if (!pos.found)
        return std::string(defaultValue);
    return pos.block->lines[pos.line].substr(key.size() + 1);
}

std::vector<std::string> ConfigStore::SectionNames() const
{
    std::lock_guard lock(m_mutex);
    std::vector<std::string> names;
    for (auto it = std::next(m_blocks.begin()); it != m_blocks.end(); ++it) {
        const std::string& header = it->lines.front();
        const size_t close = header.find(']');
        if (close == std::string::npos)
            continue;
        const auto entry = m_sections.find(header.substr(1, close - 1));
        // A name that heads several blocks is listed where it first appears.
        if (entry != m_sections.end() && entry->second.front() == it)
            names.push_back(entry->first);
    }
    return names;
}

void ConfigStore::SelectSection(std::string_view section)
{
    t_currentSections[m_id].assign(section);
}

const std::string& ConfigStore::CurrentSection() const
{
    return t_currentSections[m_id];
}

bool ConfigStore::IsHeld() const
{
    std::lock_guard lock(m_mutex);
    return m_fd >= 0;
}

bool ConfigStore::WriteText(std::string_view key, std::string_view text)
{
    return PutValue(std::string(CurrentSection()), key, ReplaceAll(text, kCrLf, kLineBreakMark), false) == kDone;
}

std::string ConfigStore::ReadText(std::string_view key, std::string_view defaultText)
{
    const std::string stored
        = GetValue(std::string(CurrentSection()), key, ReplaceAll(defaultText, kCrLf, kLineBreakMark));
    return ReplaceAll(stored, kLineBreakMark, kCrLf);
}

bool ConfigStore::WriteNumber(std::string_view key, double number)
{
    return PutValue(std::string(CurrentSection()), key, FormatNumber(number), false) == kDone;
}

double ConfigStore::ReadNumber(std::string_view key, double defaultNumber)
{
    return ParseNumber(GetValue(std::string(CurrentSection()), key, FormatNumber(defaultNumber)));
}

bool ConfigStore::WriteBool(std::string_view key, bool value)
{
    return PutValue(std::string(CurrentSection()), key, value ? kTrueText : kFalseText, false) == kDone;
}

bool ConfigStore::ReadBool(std::string_view key, bool defaultValue)
{
    return GetValue(std::string(CurrentSection()), key, defaultValue ? kTrueText : kFalseText) == kTrueText;
}

std::string ConfigStore::BytesFile(std::string_view key) const
{
    std::string settings;
    {
        std::lock_guard lock(m_mutex);
        settings = m_path;
    }
    if (settings.empty())
        return {};
    // The name is made a single native file name: separators and zero bytes inside it become "_". The
    // conversion to the native encoding comes first, so a GBK trail byte equal to "\" is never touched.
    std::string name = text::NativePath(CurrentSection() + "-" + std::string(key) + ".ibn").native();
    for (char& c : name)
        if (c == '/' || c == '\0')
            c = '_';
    return (text::NativePath(settings).parent_path() / "inibin" / name).native();
}

bool ConfigStore::WriteBytes(std::string_view key, std::string_view bytes)
{
    const std::filesystem::path file = BytesFile(key);
    if (file.empty())
        return false;
    // A save of the site group writes every site's byte file, and replacing a file durably costs a flush to
    // the disk: skip the write when the file already reads back as these bytes (no file reads as empty).
    std::string existing;
    if (ReadWholeFile(file, existing) ? existing == bytes : bytes.empty())
        return true;
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    // Byte files hold what the program can fetch again (a shop's category tree); a save writes one per site,
    // and a flush to the disk for each would make saving a large group take seconds. They are still replaced
    // whole, so a crash leaves the old bytes or the new ones.
    return WriteFileAtomically(file, bytes, nullptr, false);
}

std::string ConfigStore::ReadBytes(std::string_view key, std::string_view defaultBytes)
{
    const std::filesystem::path file = BytesFile(key);
    std::string bytes;
    if (file.empty() || !ReadWholeFile(file, bytes) || bytes.empty())
        return std::string(defaultBytes);
    return bytes;
}

} // namespace kc::config
