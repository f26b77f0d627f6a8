#include "platform/program_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <utility>

namespace lirabel::platform {
namespace {

constexpr const char* kSelfExeLink = "/proc/self/exe";
constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask, like any file
constexpr int kTempNameAttempts = 100;
constexpr char kTempNameAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Owns one file descriptor.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now and says whether the close went well: on some file systems
  // a write error only shows here.
  bool close() {
    if (fd_ < 0) return true;
    int fd = std::exchange(fd_, -1);
    return ::close(fd) == 0;
  }

 private:
  void reset() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }
  int fd_;
};

bool writeAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

std::string randomSuffix() {
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0,
                                                  sizeof kTempNameAlphabet - 2);
  std::string suffix = ".";
  while (suffix.size() < kTempNameExtraBytes) {
    suffix += kTempNameAlphabet[pick(generator)];
  }
  return suffix;
}

std::string folderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The new name must survive a crash as well as the data did.
void syncFolder(const std::string& folder) {
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

// For file systems without an atomic no-replace rename or hard links. The
// check and the rename are two steps, so a file that another process creates
// in between could still be replaced; nothing better is offered there.
PlaceResult placeByCheckedRename(const std::string& from,
                                 const std::string& to) {
  struct stat info;
  if (::lstat(to.c_str(), &info) == 0) return PlaceResult::kNameTaken;
  if (errno != ENOENT) return PlaceResult::kFailed;
  return ::rename(from.c_str(), to.c_str()) == 0 ? PlaceResult::kPlaced
                                                 : PlaceResult::kFailed;
}

PlaceResult placeByLink(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return PlaceResult::kPlaced;
  }
  if (errno == EEXIST) return PlaceResult::kNameTaken;
  if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP ||
      errno == ENOSYS) {
    return placeByCheckedRename(from, to);
  }
  return PlaceResult::kFailed;
}

class PosixFileSystem final : public FileSystem {
 public:
  bool exists(const std::string& path) override {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
  }

  std::string writeTemporaryFile(
      const std::string& folder, const std::string& tempStem,
      const std::vector<std::uint8_t>& data) override {
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
      std::string path = joinPath(folder, tempStem + randomSuffix());
      UniqueFd fd(::open(path.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                         kNewFileMode));
      if (!fd.valid()) {
        if (errno == EEXIST) continue;
        return {};
      }
      bool whole = writeAll(fd.get(), data.data(), data.size()) &&
                   ::fsync(fd.get()) == 0;
      whole = fd.close() && whole;
      if (!whole) {
        ::unlink(path.c_str());
        return {};
      }
      return path;
    }
    return {};
  }

  PlaceResult placeFile(const std::string& from,
                        const std::string& to) override {
    PlaceResult result;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                    RENAME_NOREPLACE) == 0) {
      result = PlaceResult::kPlaced;
    } else if (errno == EEXIST) {
      result = PlaceResult::kNameTaken;
    } else if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP ||
               errno == EOPNOTSUPP) {
      // The file system cannot rename without replacing.
      result = placeByLink(from, to);
    } else {
      result = PlaceResult::kFailed;
    }
    if (result == PlaceResult::kPlaced) syncFolder(folderOf(to));
    return result;
  }

  bool removeFile(const std::string& path) override {
    return ::unlink(path.c_str()) == 0;
  }
};

}  // namespace

std::string programFolder() {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t length = ::readlink(kSelfExeLink, buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<std::size_t>(length));
      break;
    }
    buffer.resize(buffer.size() * 2);
  }
  std::size_t slash = buffer.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return buffer.substr(0, slash);
}

std::string joinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

FileSystem& realFileSystem() {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

}  // namespace lirabel::platform
