// Whole-file reading and never-half-written file replacement.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace k7740 {

// The file-system calls of the reader and the safe writer. Each behaves like the system call
// of the same name (a result below 0 leaves errno set). Tests put their own in place to make
// any one call fail.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual int CreateTemporary(char* pattern);  // mkstemp
  virtual ssize_t Write(int fd, const void* data, size_t size);
  virtual int Sync(int fd);  // fsync
  virtual int Close(int fd);
  virtual int Rename(const char* from, const char* to);
  virtual int Link(const char* from, const char* to);
  virtual int Unlink(const char* path);
  // Makes the folder's entries (a rename) durable. A folder that cannot be opened for reading,
  // or a file system that cannot sync folders, counts as done.
  virtual int SyncFolder(const char* path);
  virtual int OpenForReading(const char* path);
  virtual ssize_t Read(int fd, void* buffer, size_t size);
};

// The calls in use; the system's unless a test has put its own in place.
FileSystem& CurrentFileSystem();

// Puts fs in place for its lifetime (tests).
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& fs);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

// Reads the whole file. Returns false and sets error (a sentence for the user) on failure.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error);

// Writes data under a temporary name in the target's folder, flushes it to disk and renames
// it over path only when complete. On failure the target is as it was, no temporary file is
// left, and error says what failed.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string& error);

// As WriteFileAtomically, but never replaces an existing file: fails with "File exists".
bool WriteNewFileAtomically(const std::string& path, const void* data, size_t size, std::string& error);

// Writes several files as one unit: every file is written to a temporary first, then all are
// renamed into place. The earlier targets are kept until every rename succeeded and put back
// otherwise, so either all targets change or none does. targetsChanged (optional) tells,
// after a failure, whether an earlier target could not be put back; error then says which.
struct FileImage {
  std::string path;
  std::vector<uint8_t> bytes;
};
bool WriteFilesAtomically(const std::vector<FileImage>& files, std::string& error,
                          bool* targetsChanged = nullptr);

}  // namespace k7740
