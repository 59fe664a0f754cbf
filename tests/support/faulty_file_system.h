// A file system whose calls can be made to fail one at a time, and a walk over every failure
// point of an operation: each kind of call, each occurrence, with ENOSPC, EIO and EACCES.
#pragma once

#include <cerrno>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "common/file_io.h"

namespace k7740::test {

enum class Call { Create, Write, Sync, Close, Rename, Link, Unlink, SyncFolder, Open, Read };

inline const char* CallName(Call c) {
  static const char* const names[] = {"create", "write",  "sync",        "close", "rename",
                                      "link",   "unlink", "sync folder", "open",  "read"};
  return names[static_cast<int>(c)];
}

class FaultyFileSystem : public FileSystem {
 public:
  // The nth call (from 1) of this kind fails with err; every other call goes through.
  void FailAt(Call call, int nth, int err) { faults_[{call, nth}] = err; }
  // Every call of this kind fails with err.
  void FailAll(Call call, int err) { always_[call] = err; }
  int Count(Call call) const {
    auto it = counts_.find(call);
    return it == counts_.end() ? 0 : it->second;
  }
  int Hits() const { return hits_; }
  // Runs before each call goes through (to change the world between two calls).
  std::function<void(Call)> before;

  int CreateTemporary(char* pattern) override {
    return Trip(Call::Create) ? -1 : FileSystem::CreateTemporary(pattern);
  }
  ssize_t Write(int fd, const void* data, size_t size) override {
    return Trip(Call::Write) ? -1 : FileSystem::Write(fd, data, size);
  }
  int Sync(int fd) override { return Trip(Call::Sync) ? -1 : FileSystem::Sync(fd); }
  int Close(int fd) override {
    // A failing close still releases the descriptor, as on Linux.
    if (Trip(Call::Close)) {
      const int err = errno;
      FileSystem::Close(fd);
      errno = err;
      return -1;
    }
    return FileSystem::Close(fd);
  }
  int Rename(const char* from, const char* to) override {
    return Trip(Call::Rename) ? -1 : FileSystem::Rename(from, to);
  }
  int Link(const char* from, const char* to) override {
    return Trip(Call::Link) ? -1 : FileSystem::Link(from, to);
  }
  int Unlink(const char* path) override { return Trip(Call::Unlink) ? -1 : FileSystem::Unlink(path); }
  int SyncFolder(const char* path) override {
    return Trip(Call::SyncFolder) ? -1 : FileSystem::SyncFolder(path);
  }
  int OpenForReading(const char* path) override {
    return Trip(Call::Open) ? -1 : FileSystem::OpenForReading(path);
  }
  ssize_t Read(int fd, void* buffer, size_t size) override {
    return Trip(Call::Read) ? -1 : FileSystem::Read(fd, buffer, size);
  }

 private:
  bool Trip(Call call) {
    const int n = ++counts_[call];
    if (before) before(call);
    int err = 0;
    if (auto it = always_.find(call); it != always_.end()) err = it->second;
    if (auto it = faults_.find({call, n}); it != faults_.end()) err = it->second;
    if (err == 0) return false;
    ++hits_;
    errno = err;
    return true;
  }
  std::map<std::pair<Call, int>, int> faults_;
  std::map<Call, int> always_;
  std::map<Call, int> counts_;
  int hits_ = 0;
};

struct FailurePoint {
  Call call;
  int nth;
  int err;
};

// Runs the operation once for every failure point of the calls a write makes (create, write,
// sync, close, rename, folder sync) with each of ENOSPC, EIO and EACCES, until a kind of call
// has no further occurrence. run(fs, point) performs the operation with fs in place, reports
// what it checked, and returns whether the fault was hit.
inline int ForEachFailurePoint(const std::function<void(FaultyFileSystem&, const FailurePoint&)>& run) {
  int points = 0;
  for (Call call : {Call::Create, Call::Write, Call::Sync, Call::Close, Call::Rename, Call::SyncFolder}) {
    for (int err : {ENOSPC, EIO, EACCES}) {
      for (int nth = 1; nth < 20; ++nth) {
        FaultyFileSystem fs;
        fs.FailAt(call, nth, err);
        run(fs, FailurePoint{call, nth, err});
        if (fs.Hits() == 0) break;
        ++points;
      }
    }
  }
  return points;
}

}  // namespace k7740::test
