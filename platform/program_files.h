// The program's folder and the few file operations the watch needs to save a
// work without ever losing or replacing one.
//
// Paths and names here are UTF-8, the file system's own encoding; turning the
// program's local text into such a name is the caller's business. A work is
// saved in two steps: its bytes go whole into a new temporary file in the
// target folder and are flushed to disk, then that file is moved under its
// final name, which fails instead of replacing a file already there. So an
// interrupted write never leaves a truncated file under a work's name.
//
// FileSystem is the seam: realFileSystem() talks to POSIX, tests put in
// fakes that fail at any step.
#ifndef LIRABEL_PLATFORM_PROGRAM_FILES_H_
#define LIRABEL_PLATFORM_PROGRAM_FILES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lirabel::platform {

// The longest file name (one path component) in bytes that the file systems
// in use accept.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// The folder that holds the running executable, from /proc/self/exe, without
// a trailing "/"; empty when it cannot be found.
std::string programFolder();

// folder + "/" + name; folder "" stands for the current folder.
std::string joinPath(std::string_view folder, std::string_view name);

enum class PlaceResult {
  kPlaced,     // the file now has the final name
  kNameTaken,  // a file of that name exists; nothing was changed
  kFailed,     // any other failure; nothing was changed
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool exists(const std::string& path) = 0;

  // Creates a new file in folder whose name is tempStem followed by a few
  // characters that make it unique (kTempNameExtraBytes in all), writes all
  // of data to it and flushes it to disk. Returns its path, or "" on failure,
  // in which case no temporary file is left behind.
  virtual std::string writeTemporaryFile(
      const std::string& folder, const std::string& tempStem,
      const std::vector<std::uint8_t>& data) = 0;

  // Gives the file at from the name to, never replacing a file of that name.
  virtual PlaceResult placeFile(const std::string& from,
                                const std::string& to) = 0;

  virtual bool removeFile(const std::string& path) = 0;
};

// How many bytes writeTemporaryFile adds to the stem.
inline constexpr std::size_t kTempNameExtraBytes = 7;  // "." + 6 random

FileSystem& realFileSystem();

}  // namespace lirabel::platform

#endif  // LIRABEL_PLATFORM_PROGRAM_FILES_H_
