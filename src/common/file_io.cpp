#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace k7740 {

int FileSystem::CreateTemporary(char* pattern) { return ::mkostemp(pattern, O_CLOEXEC); }
ssize_t FileSystem::Write(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int FileSystem::Sync(int fd) { return ::fsync(fd); }
int FileSystem::Close(int fd) { return ::close(fd); }
int FileSystem::Rename(const char* from, const char* to) { return ::rename(from, to); }
int FileSystem::Link(const char* from, const char* to) { return ::link(from, to); }
int FileSystem::Unlink(const char* path) { return ::unlink(path); }
int FileSystem::OpenForReading(const char* path) { return ::open(path, O_RDONLY | O_CLOEXEC); }
ssize_t FileSystem::Read(int fd, void* buffer, size_t size) { return ::read(fd, buffer, size); }

int FileSystem::SyncFolder(const char* path) {
  // A folder we may write into but not read (mode 0333) cannot be opened; the rename stands.
  const int dir = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return 0;
  int result = ::fsync(dir);
  if (result != 0 && (errno == EINVAL || errno == ENOTSUP || errno == EROFS)) result = 0;
  const int err = errno;
  ::close(dir);
  errno = err;
  return result;
}

namespace {

FileSystem& SystemFileSystem() {
  static FileSystem fs;
  return fs;
}

FileSystem* current = nullptr;

std::string Failure(const char* verb, const std::string& path, int err) {
  return std::string("Cannot ") + verb + " " + path + ": " + std::strerror(err) + ".";
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(FileSystem& fs, int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = fs.Write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// The permissions a newly created file gets: those of the file it replaces, else 0666 less the umask.
mode_t TargetMode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// A symbolic link stays in place: the file it points to is the one replaced.
std::string ResolveLink(const std::string& path) {
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) return path;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string target = real;
  std::free(real);
  return target;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Writes a complete, synced temporary file beside path, with the permissions path should have.
// Returns 0, or the error; on failure nothing is left behind.
int WriteTemporary(FileSystem& fs, const std::string& path, const uint8_t* data, size_t size,
                   std::string& tempPath) {
  std::string pattern = FolderOf(path) + "/." + FileNameOf(path) + ".XXXXXX";
  const int fd = fs.CreateTemporary(pattern.data());
  if (fd < 0) return errno;
  ::fchmod(fd, TargetMode(path));
  int err = 0;
  if (!WriteAll(fs, fd, data, size)) {
    err = errno;
  } else if (fs.Sync(fd) != 0) {
    err = errno;
  }
  if (fs.Close(fd) != 0 && err == 0) err = errno;
  if (err != 0) {
    fs.Unlink(pattern.c_str());
    return err;
  }
  tempPath = std::move(pattern);
  return 0;
}

// A second name for the earlier target, so that it can be put back. Returns 0 or the error.
int LinkBackup(FileSystem& fs, const std::string& target, std::string& backup) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".old%ld-%d", static_cast<long>(::getpid()), attempt);
    const std::string name = FolderOf(target) + "/." + FileNameOf(target) + suffix;
    if (fs.Link(target.c_str(), name.c_str()) == 0) {
      backup = name;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

struct Source {
  std::string path;
  const uint8_t* data;
  size_t size;
};

struct Pending {
  std::string target;  // symbolic links resolved
  std::string temp;    // the complete new file
  bool hadEarlier = false;
  std::string backup;                 // hard link to the earlier file
  std::vector<uint8_t> earlierBytes;  // its bytes, where no link could be made
  bool replaced = false;
  bool keepBackup = false;  // the earlier file could not be put back: its second name stays
};

// Puts the earlier file back in place of a replaced target. Returns 0 or the error.
int PutBack(FileSystem& fs, Pending& p) {
  if (!p.hadEarlier) return fs.Unlink(p.target.c_str()) == 0 ? 0 : errno;
  if (!p.backup.empty()) {
    if (fs.Rename(p.backup.c_str(), p.target.c_str()) != 0) return errno;
    p.backup.clear();
    return 0;
  }
  std::string temp;
  const int err = WriteTemporary(fs, p.target, p.earlierBytes.data(), p.earlierBytes.size(), temp);
  if (err != 0) return err;
  if (fs.Rename(temp.c_str(), p.target.c_str()) != 0) {
    const int renameErr = errno;
    fs.Unlink(temp.c_str());
    return renameErr;
  }
  return 0;
}

void RemoveLeftovers(FileSystem& fs, std::vector<Pending>& pending) {
  for (Pending& p : pending) {
    if (!p.replaced && !p.temp.empty()) fs.Unlink(p.temp.c_str());
    if (!p.backup.empty() && !p.keepBackup) fs.Unlink(p.backup.c_str());
  }
}

// Undoes every rename done so far; says which targets could not be put back.
std::string RollBack(FileSystem& fs, std::vector<Pending>& pending, bool& changed) {
  std::string notes;
  for (Pending& p : pending) {
    if (!p.replaced) continue;
    const int err = PutBack(fs, p);
    if (err == 0) continue;
    changed = true;
    notes += " " + p.target + " already holds the new data; its earlier version could not be put back (" +
             std::strerror(err) + ")";
    p.keepBackup = !p.backup.empty();
    notes += p.keepBackup ? " and is kept as " + p.backup + "." : ".";
  }
  return notes;
}

bool WriteAtomically(const std::vector<Source>& sources, bool keepExisting, std::string& error,
                     bool* targetsChanged) {
  FileSystem& fs = CurrentFileSystem();
  bool changed = false;
  if (targetsChanged) *targetsChanged = false;
  std::vector<Pending> pending(sources.size());
  const auto fail = [&](const std::string& path, int err, const std::string& notes) {
    RemoveLeftovers(fs, pending);
    error = Failure("write", path, err) + notes;
    if (targetsChanged) *targetsChanged = changed;
    return false;
  };

  for (size_t i = 0; i < sources.size(); ++i) {
    Pending& p = pending[i];
    p.target = ResolveLink(sources[i].path);
    if (keepExisting && ::access(p.target.c_str(), F_OK) == 0) return fail(p.target, EEXIST, "");
    const int err = WriteTemporary(fs, p.target, sources[i].data, sources[i].size, p.temp);
    if (err != 0) return fail(p.target, err, "");
  }
  for (Pending& p : pending) {
    p.hadEarlier = IsRegularFile(p.target);
    if (!p.hadEarlier) continue;
    if (LinkBackup(fs, p.target, p.backup) == 0) continue;
    // No hard links here (a FAT stick, say): keep the earlier bytes in memory instead.
    std::string reason;
    if (!ReadWholeFile(p.target, p.earlierBytes, reason)) {
      error = "Cannot write " + p.target + ": its earlier version cannot be kept. " + reason;
      RemoveLeftovers(fs, pending);
      return false;
    }
  }
  for (Pending& p : pending) {
    if (keepExisting && fs.Link(p.temp.c_str(), p.target.c_str()) == 0) {
      // A second name never replaces anything; the temporary name goes.
      fs.Unlink(p.temp.c_str());
    } else if (keepExisting && errno == EEXIST) {
      return fail(p.target, EEXIST, "");
    } else if (fs.Rename(p.temp.c_str(), p.target.c_str()) != 0) {
      const int err = errno;
      return fail(p.target, err, RollBack(fs, pending, changed));
    }
    p.replaced = true;
  }
  // The renames are done only once they are on disk; a folder that cannot say so undoes them.
  std::set<std::string> folders;
  for (const Pending& p : pending) {
    const std::string folder = FolderOf(p.target);
    if (!folders.insert(folder).second) continue;
    if (fs.SyncFolder(folder.c_str()) != 0) {
      const int err = errno;
      return fail(p.target, err, RollBack(fs, pending, changed));
    }
  }
  for (Pending& p : pending) {
    if (!p.backup.empty()) fs.Unlink(p.backup.c_str());
  }
  return true;
}

}  // namespace

FileSystem& CurrentFileSystem() { return current ? *current : SystemFileSystem(); }

ScopedFileSystem::ScopedFileSystem(FileSystem& fs) : previous_(current) { current = &fs; }
ScopedFileSystem::~ScopedFileSystem() { current = previous_; }

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
  FileSystem& fs = CurrentFileSystem();
  out.clear();
  const int fd = fs.OpenForReading(path.c_str());
  if (fd < 0) {
    error = Failure("read", path, errno);
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    out.reserve(static_cast<size_t>(st.st_size));
  }
  uint8_t buf[65536];
  for (;;) {
    const ssize_t n = fs.Read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      out.clear();
      error = Failure("read", path, err);
      return false;
    }
    out.insert(out.end(), buf, buf + n);
  }
  // Nothing was written, so a failing close loses nothing.
  ::close(fd);
  return true;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string& error) {
  return WriteAtomically({{path, static_cast<const uint8_t*>(data), size}}, false, error, nullptr);
}

bool WriteNewFileAtomically(const std::string& path, const void* data, size_t size, std::string& error) {
  return WriteAtomically({{path, static_cast<const uint8_t*>(data), size}}, true, error, nullptr);
}

bool WriteFilesAtomically(const std::vector<FileImage>& files, std::string& error, bool* targetsChanged) {
  std::vector<Source> sources;
  sources.reserve(files.size());
  for (const FileImage& f : files) sources.push_back({f.path, f.bytes.data(), f.bytes.size()});
  return WriteAtomically(sources, false, error, targetsChanged);
}

}  // namespace k7740
