// Whole-file reading and never-half-written file replacement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace k7740 {

// Reads the whole file. Returns false and sets error (a sentence for the user) on failure.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error);

// Writes data under a temporary name in the target's folder, flushes it to disk and renames
// it over path only when complete. On failure the target is untouched, the temporary file
// removed, and error says what failed.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string& error);

// Writes several files as one unit: all are written to temporaries first, then renamed
// into place; if any temporary cannot be written, none of the targets changes.
struct FileImage {
  std::string path;
  std::vector<uint8_t> bytes;
};
bool WriteFilesAtomically(const std::vector<FileImage>& files, std::string& error);

}  // namespace k7740
