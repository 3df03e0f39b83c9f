// A file written beside its final name and renamed over it only once every
// byte is written and flushed: a failed save never leaves a half file under
// the user's name, and the previous file stays whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvex {

// Results of a save, shared by every work-file writer.
inline constexpr int kFileSaved = 1;
inline constexpr int kFileWriteFailed = 0;
inline constexpr int kFileResourceOver = -9;  // the system ran out of memory

struct ReplacedFile {
    std::string path;  // the final name
    std::string temp;  // "<path>.<pid>.tmp" while writing
    int fd = -1;
    int error = 0;  // errno of the first failure, 0 while all is well
    std::uint64_t written = 0;  // bytes appended so far
    std::uint64_t started = 0;  // of them, bytes already handed to the disk
    // A long file written off the main thread: every this many bytes its
    // data is made durable on the way (0 never), so that the flush at its
    // end, which the run waits for, commits the last part only.
    std::uint64_t durableStep = 0;
    std::uint64_t durable = 0;  // bytes made durable so far
    int slot = -1;  // where the temporary file is noted for RemoveTemporaryFiles
};

// Whether a file under `path` is write-protected: it exists and nobody may
// write it (as the read-only attribute of other systems marks it), or this
// user may not. A save must leave it alone, as opening it for writing
// would fail; a rename over it would replace it all the same.
bool WriteProtected(const std::string& path);

// Creates the temporary file; false (with file.error) when it cannot, or
// when the file under the name is WriteProtected (EACCES). A symbolic link
// under the name stays: its target is replaced, and keeps its permissions.
[[nodiscard]] bool BeginReplace(ReplacedFile& file, const std::string& path);
// Writes all of data at the end, continuing after short writes.
[[nodiscard]] bool WriteBytes(ReplacedFile& file, const void* data, std::size_t size);
// Writes data at a byte offset (a count patched in at the end).
[[nodiscard]] bool WriteBytesAt(ReplacedFile& file, std::uint64_t offset, const void* data, std::size_t size);
// Flushes, closes and renames over the final name when ok and nothing
// failed; otherwise removes the temporary file. Returns kFileSaved,
// kFileWriteFailed or kFileResourceOver.
int FinishReplace(ReplacedFile& file, bool ok);

// Removes the temporary files of the saves still under way; safe in a
// signal handler. A run ended by a signal leaves none behind.
void RemoveTemporaryFiles();
// Has SIGINT, SIGTERM and SIGHUP remove them before the signal ends the
// program as it would have (a signal the program was started to ignore
// stays ignored).
void RemoveTemporaryFilesOnSignals();

}  // namespace morvex
