// Whole-file writes that leave either the old or the new complete file, and the lock that keeps other writers out.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace kc::config {

// Writes bytes as the whole content of path: a temporary file beside it is written, flushed to the disk and
// renamed over path, so a crash or a full disk at any moment leaves the old file or the new one, never a part.
// When path is a symbolic link, the file it leads to is replaced and the link stays.
// heldFd (optional) is a descriptor of path's file on which the caller holds an exclusive lock: the new file is
// locked before it takes the name, and *heldFd then refers to the new file (the old descriptor is closed).
// Without heldFd the write fails when another holder has path locked. False on any failure; path is then as
// it was and no temporary file is left. With flush false the flushes to the disk are skipped: the write is
// still whole or absent when the process dies, but a power cut may lose it (for files that can be rebuilt,
// where a flush per file would make writing thousands of them slow).
bool WriteFileAtomically(
    const std::filesystem::path& path, std::string_view bytes, int* heldFd = nullptr, bool flush = true);

// Opens path for reading and writing, creating it empty when missing, and takes an exclusive lock on it without
// waiting. The descriptor, or -1 when the file cannot be opened or another holder has it locked.
int OpenAndLock(const std::filesystem::path& path);

// Releases a descriptor from OpenAndLock or WriteFileAtomically (and with it the lock). -1 is ignored.
void Unlock(int fd);

// Removes the temporary files that writes of path by processes that died midway left beside it (and beside
// the byte files of its inibin folder). A temporary file of a live process, or one younger than a minute, stays.
void RemoveStaleTemporaries(const std::filesystem::path& path);

// Reads a whole file; false when it cannot be read (a missing file included).
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes);

// Test hook: called at each stage of WriteFileAtomically ("write" after half of the bytes, "sync", "rename");
// returning true makes that stage fail as a full disk would. An empty function removes the hook.
void SetWriteFaultHook(std::function<bool(std::string_view stage)> hook);

} // namespace kc::config
