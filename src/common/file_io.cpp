#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace k7740 {

namespace {

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

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
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

// Writes a complete, flushed temporary file beside path. On failure nothing is left behind.
bool WriteTemporary(const std::string& path, const void* data, size_t size, std::string& tempPath,
                    std::string& error) {
  std::string pattern = FolderOf(path) + "/." + FileNameOf(path) + ".XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    error = Failure("write", path, errno);
    return false;
  }
  ::fchmod(fd, TargetMode(path));
  int err = 0;
  if (!WriteAll(fd, static_cast<const uint8_t*>(data), size)) {
    err = errno;
  } else if (::fsync(fd) != 0) {
    err = errno;
  }
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) {
    ::unlink(pattern.c_str());
    error = Failure("write", path, err);
    return false;
  }
  tempPath = std::move(pattern);
  return true;
}

bool Commit(const std::string& tempPath, const std::string& path, std::string& error) {
  if (::rename(tempPath.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tempPath.c_str());
    error = Failure("write", path, err);
    return false;
  }
  // Make the rename itself durable; a failure here does not undo a complete file.
  const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
    const ssize_t n = ::read(fd, buf, sizeof buf);
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
  ::close(fd);
  return true;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string& error) {
  const std::string target = ResolveLink(path);
  std::string tempPath;
  if (!WriteTemporary(target, data, size, tempPath, error)) return false;
  return Commit(tempPath, target, error);
}

bool WriteFilesAtomically(const std::vector<FileImage>& files, std::string& error) {
  std::vector<std::string> temps;
  temps.reserve(files.size());
  std::vector<std::string> targets;
  for (const FileImage& file : files) {
    targets.push_back(ResolveLink(file.path));
    std::string tempPath;
    if (!WriteTemporary(targets.back(), file.bytes.data(), file.bytes.size(), tempPath, error)) {
      for (const std::string& t : temps) ::unlink(t.c_str());
      return false;
    }
    temps.push_back(std::move(tempPath));
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (!Commit(temps[i], targets[i], error)) {
      // The earlier files are already in place; drop the temporaries that will never be used.
      for (size_t j = i + 1; j < temps.size(); ++j) ::unlink(temps[j].c_str());
      return false;
    }
  }
  return true;
}

}  // namespace k7740
