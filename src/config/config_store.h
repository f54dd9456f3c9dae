// The settings store: an INI-style file of sections and key lines, kept byte for byte apart from what is edited.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kc::config {

enum class OpenMode {
    HeldOpen, // the file is locked against other writers and follows every edit
    InMemory, // edits stay in memory until Save
};

// Results of the modifying operations.
inline constexpr int kDone = 0;
inline constexpr int kSectionNotFound = 1;
inline constexpr int kKeyNotFound = 2;
inline constexpr int kQueued = 3;
inline constexpr int kFailed = -1;

// "┊*┊": stands for a line break inside a text value, so that a value never spans lines.
inline constexpr std::string_view kLineBreakMark = "\xA9\xAE*\xA9\xAE";
// "真" and "假": the stored forms of true and false.
inline constexpr std::string_view kTrueText = "\xD5\xE6";
inline constexpr std::string_view kFalseText = "\xBC\xD9";

// Receives the store's warnings (the gui shows them as message boxes): first the warning text, then the image.
void SetConfigWarningHandler(std::function<void(std::string_view text)> handler);

// The store. Lines are separated by CR LF; a section header is "[" + name + "]" at the start of a line; a key
// line is key + "=" + value on a later line of the section; nothing is trimmed or case-folded; the first of
// two equal keys wins; every byte the store does not edit stays as it was.
//
// The file is held as a list of blocks, each starting at a line that begins with "[", with hash indexes by
// section name and by key, so that reading or writing one key costs the same in a file of ten sites as in one
// of thousands. Every write to disk replaces the file as a whole (see atomic_file.h).
//
// Each operation runs whole under the store's own lock, so workers' writes and the window thread's reads may
// meet; a series of operations that must not interleave with another thread's takes the run lock (README.md).
class ConfigStore {
public:
    ConfigStore();
    ~ConfigStore(); // runs Close; saves nothing an InMemory store has not saved
    ConfigStore(const ConfigStore&) = delete;
    ConfigStore& operator=(const ConfigStore&) = delete;

    // Loads path (internal text; a missing file gives an empty image). HeldOpen also creates the file when
    // missing and locks it against other writers; false when that fails, the image then still serves reads
    // and writes but nothing reaches the disk.
    bool Open(std::string_view path, OpenMode mode);
    // Releases the held file (writing out a HeldOpen batch still in memory) and empties the image.
    void Close();
    // Writes the whole image to path, replacing the file; false when it cannot be written.
    bool Save();

    // Raw write of a value's bytes. With immediate false the write is queued and run in order (kQueued when
    // another modifying operation is running). kDone, or kFailed when the section cannot be created, the
    // section or key name holds a line break, or the held-open file cannot be written.
    int PutValue(std::string_view section, std::string_view key, std::string_view value, bool immediate);
    // Raw read; the default when the section or the key is missing.
    std::string GetValue(std::string_view section, std::string_view key, std::string_view defaultValue = {});
    // Removes a whole section (empty key) or one key line: kDone, kSectionNotFound, kKeyNotFound, kQueued.
    int DeleteEntry(std::string_view section, std::string_view key, bool immediate);

    // The names of the section headers, in file order, each once (a header "[name]rest" counts as name).
    std::vector<std::string> SectionNames() const;

    // The section the typed operations use. Each thread has its own, so that a worker selecting a site's
    // section never redirects what the window thread is reading or writing.
    void SelectSection(std::string_view section);
    const std::string& CurrentSection() const;

    // Typed operations on the current section. Writers go through the queue and are true only for kDone.
    bool WriteText(std::string_view key, std::string_view text);
    std::string ReadText(std::string_view key, std::string_view defaultText = {});
    bool WriteNumber(std::string_view key, double number);
    double ReadNumber(std::string_view key, double defaultNumber = 0);
    bool WriteBool(std::string_view key, bool value);
    bool ReadBool(std::string_view key, bool defaultValue = false);
    // Byte values live in files of their own: inibin/section-key.ibn beside the settings file, written at once.
    bool WriteBytes(std::string_view key, std::string_view bytes);
    std::string ReadBytes(std::string_view key, std::string_view defaultBytes = {});

    // HeldOpen edits between BeginBatch and EndBatch reach the disk together at EndBatch (or Close), as one
    // replacement of the file. EndBatch is false when that write fails. Batches nest.
    void BeginBatch();
    bool EndBatch();

    // The whole file as it would be written.
    std::string Image() const;
    const std::string& Path() const { return m_path; }
    OpenMode Mode() const { return m_mode; }
    bool IsHeld() const;

private:
    struct Block {
        std::vector<std::string> lines; // lines[0] begins with "[" (except in the leading block)
        std::unordered_map<std::string, uint32_t> keys; // key before the first "=" -> first line >= 1
        bool keysValid = false;
    };
    using BlockIt = std::list<Block>::iterator;
    struct KeyPos {
        BlockIt block;
        size_t line = 0;
        bool found = false;
    };
    struct PendingOp {
        bool isWrite;
        std::string section, key, value;
    };

    void Parse(std::string_view image);
    void NormaliseEmpty();
    void IndexBlock(BlockIt block);
    void UnindexBlock(BlockIt block);
    BlockIt FindSection(std::string_view section);
    bool IsWellFormedHeader(BlockIt block) const;
    KeyPos FindKey(BlockIt header, std::string_view key);
    void EnsureKeyIndex(Block& block);
    // The lock is held on entry to these; RunQueue and RunNow release it while window events or warnings run.
    int Enqueue(std::unique_lock<std::mutex>& lock, PendingOp op);
    int RunQueue(std::unique_lock<std::mutex>& lock);
    int RunNow(std::unique_lock<std::mutex>& lock, const PendingOp& op);
    int PutNow(
        std::string_view section, std::string_view key, std::string_view value, std::vector<std::string>& warnings);
    void CloseLocked();
    std::string BuildImage() const;
    int DeleteNow(std::string_view section, std::string_view key);
    bool Commit();
    std::string BytesFile(std::string_view key) const;

    std::list<Block> m_blocks; // never empty: the first block holds the lines before the first "[" line
    std::unordered_map<std::string, std::vector<BlockIt>> m_sections; // name before the first "]", in file order
    std::string m_path;
    OpenMode m_mode = OpenMode::InMemory;
    int m_fd = -1;
    uint64_t m_id; // the key of this store's current section in each thread
    mutable std::mutex m_mutex; // every operation runs whole; see README.md
    std::string m_cachedName; // the most recently located section
    BlockIt m_cachedBlock;
    bool m_cacheValid = false;
    std::deque<PendingOp> m_pending;
    bool m_busy = false;
    std::thread::id m_busyThread; // the thread working off the queue while m_busy
    int m_batchDepth = 0;
    bool m_dirty = false; // HeldOpen edits not yet on disk
};

// The position (1-based) of the opening bracket of the first well-formed section header of image between the
// positions from and to: a "[" right after a CR LF whose "]" is followed by CR LF on the same line; -1 if none.
long long FindHeaderBetween(std::string_view image, long long from, long long to);

// Number forms of the store: the shortest plain decimal text (no exponent) that reads back as the same double,
// "0" for infinities and NaN; and the reading of a text's leading number (0 when there is none).
std::string FormatNumber(double number);
double ParseNumber(std::string_view text);

} // namespace kc::config
