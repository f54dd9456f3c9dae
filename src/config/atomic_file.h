// Whole-file writes that leave either the old or the new complete file, and the lock that keeps other writers out.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace kc::config {

// Writes bytes as the whole content of path: a temporary file beside it is written, flushed to the disk and
// renamed over path, so a crash or a full disk at any moment leaves the old file or the new one, never a part.
// heldFd (optional) is a descriptor of path's file on which the caller holds an exclusive lock: the new file is
// locked before it takes the name, and *heldFd then refers to the new file (the old descriptor is closed).
// Without heldFd the write fails when another holder has path locked. False on any failure; path is then as
// it was and no temporary file is left.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, int* heldFd = nullptr);

// Opens path for reading and writing, creating it empty when missing, and takes an exclusive lock on it without
// waiting. The descriptor, or -1 when the file cannot be opened or another holder has it locked.
int OpenAndLock(const std::filesystem::path& path);

// Releases a descriptor from OpenAndLock or WriteFileAtomically (and with it the lock). -1 is ignored.
void Unlock(int fd);

// Reads a whole file; false when it cannot be read (a missing file included).
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes);

// Test hook: called at each stage of WriteFileAtomically ("write" after half of the bytes, "sync", "rename");
// returning true makes that stage fail as a full disk would. An empty function removes the hook.
void SetWriteFaultHook(std::function<bool(std::string_view stage)> hook);

} // namespace kc::config
