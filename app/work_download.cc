#include "app/work_download.h"

#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <vector>

#include "text/codepage.h"
#include "text/text_between.h"

namespace lirabel {
namespace {

constexpr std::string_view kMediaStartMarker = "playurl\":\"";
constexpr std::string_view kSongStartMarker = "\"song_name\":\"";
constexpr std::string_view kNickStartMarker = "\"nick\":\"";
constexpr std::string_view kFieldEndMarker = "\"";

constexpr std::string_view kNameSeparator = " - ";
constexpr std::string_view kWorkExtension = ".m4a";
constexpr std::string_view kTempNamePrefix = ".";
// Enough copies of one song for any singer; past that the work fails rather
// than searching the folder for ever.
constexpr int kMaxCopyNumber = 9999;

constexpr unsigned char kFirstPrintableByte = 0x20;
constexpr unsigned char kFirstLeadByte = 0x80;

constexpr int kFirstSuccessStatus = 200;
constexpr int kLastSuccessStatus = 299;

// Removes the bytes below 0x20, walking characters so that the trail byte of
// a double-byte character is never looked at on its own.
Text removeControlBytes(std::string_view text) {
  Text kept;
  kept.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    std::size_t length =
        (byte >= kFirstLeadByte && i + 1 < text.size()) ? 2 : 1;
    if (byte >= kFirstPrintableByte) kept.append(text.substr(i, length));
    i += length;
  }
  return kept;
}

// The longest prefix of a UTF-8 text of at most limit bytes that ends at a
// character boundary.
std::string cutUtf8(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
    --cut;
  }
  text.resize(cut);
  return text;
}

void showWhileWatching(WatchView& view, Status status) {
  if (view.isWatching()) view.showStatus(status);
}

DownloadOutcome fail(WatchState& state, WatchView& view, const Text& link) {
  ++state.failedTries[link];
  showWhileWatching(view, Status::kDownloadFailed);
  return DownloadOutcome::kFailed;
}

}  // namespace

Text cleanNamePart(std::string_view part) {
  // The same two passes as for a nickname; a pass takes at most five pairs.
  Text cleaned = replaceSeries(
      part, {{"\\", ""}, {"/", ""}, {":", ""}, {"*", ""}, {"?", ""}});
  cleaned =
      replaceSeries(cleaned, {{"\"", ""}, {"<", ""}, {">", ""}, {"|", ""}});
  return removeControlBytes(cleaned);
}

std::string localToFileName(std::string_view local) {
  Bytes wide = localToWide(local);
  std::vector<UChar> units;
  units.reserve(wide.size() / 2);
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    UChar unit = static_cast<UChar>(wide[i] | (wide[i + 1] << 8));
    if (unit == 0) break;
    // A converter substitute can be a control character; a file name never
    // holds one.
    if (unit < kFirstPrintableByte) continue;
    units.push_back(unit);
  }
  if (units.empty()) return {};
  UErrorCode error = U_ZERO_ERROR;
  int32_t needed = 0;
  u_strToUTF8(nullptr, 0, &needed, units.data(),
              static_cast<int32_t>(units.size()), &error);
  if (error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(error)) return {};
  std::string utf8(static_cast<std::size_t>(needed), '\0');
  error = U_ZERO_ERROR;
  u_strToUTF8(utf8.data(), needed, &needed, units.data(),
              static_cast<int32_t>(units.size()), &error);
  if (U_FAILURE(error)) return {};
  utf8.resize(static_cast<std::size_t>(needed));
  return utf8;
}

std::string workFileName(std::string_view singer, std::string_view song,
                         int copyNumber) {
  std::size_t firstKept = singer.find_first_not_of('.');
  singer = firstKept == std::string_view::npos ? std::string_view{}
                                               : singer.substr(firstKept);
  std::string singerName = localToFileName(singer);
  std::string songName = localToFileName(song);
  std::string tail;
  if (copyNumber > 1) tail = " (" + std::to_string(copyNumber) + ")";
  tail += kWorkExtension;

  std::size_t fixed = kNameSeparator.size() + tail.size();
  if (singerName.size() + fixed > kMaxWorkFileNameBytes) {
    singerName = cutUtf8(std::move(singerName), kMaxWorkFileNameBytes - fixed);
    songName.clear();
  } else {
    songName = cutUtf8(std::move(songName),
                       kMaxWorkFileNameBytes - fixed - singerName.size());
  }
  return singerName + std::string(kNameSeparator) + songName + tail;
}

std::string saveWorkFile(platform::FileSystem& files, const std::string& folder,
                         std::string_view singer, std::string_view song,
                         const Bytes& data) {
  std::string firstName = workFileName(singer, song, 1);
  std::string temp = files.writeTemporaryFile(
      folder, std::string(kTempNamePrefix) + firstName, data);
  if (temp.empty()) return {};
  for (int copy = 1; copy <= kMaxCopyNumber; ++copy) {
    std::string name = copy == 1 ? firstName : workFileName(singer, song, copy);
    switch (files.placeFile(temp, platform::joinPath(folder, name))) {
      case platform::PlaceResult::kPlaced:
        return name;
      case platform::PlaceResult::kNameTaken:
        continue;
      case platform::PlaceResult::kFailed:
        break;
    }
    break;
  }
  files.removeFile(temp);
  return {};
}

DownloadOutcome downloadWork(WatchState& state, WatchView& view,
                             const Text& singerNote, const Text& link,
                             bool showWaiting) {
  WatchNet& net = state.net ? *state.net : realWatchNet();
  platform::FileSystem& files =
      state.files ? *state.files : platform::realFileSystem();

  if (showWaiting) showWhileWatching(view, Status::kWaiting);
  Text page = net.fetchWorkPage(link);
  if (page.empty()) return fail(state, view, link);
  Text mediaAddress = textBetween(page, kMediaStartMarker, kFieldEndMarker);
  Text song = textBetween(page, kSongStartMarker, kFieldEndMarker);
  // Spaces in the note count as a name the user typed.
  Text singer = singerNote.empty()
                    ? textBetween(page, kNickStartMarker, kFieldEndMarker)
                    : singerNote;
  showWhileWatching(view, Status::kDownloading);
  if (mediaAddress.empty()) return fail(state, view, link);

  MediaResponse media = net.fetchMedia(mediaAddress);
  if (media.status < kFirstSuccessStatus || media.status > kLastSuccessStatus ||
      media.body.empty()) {
    return fail(state, view, link);
  }

  std::string folder = state.outputFolder.empty() ? platform::programFolder()
                                                  : state.outputFolder;
  if (folder.empty()) return fail(state, view, link);
  if (saveWorkFile(files, folder, cleanNamePart(singer), cleanNamePart(song),
                   media.body)
          .empty()) {
    return fail(state, view, link);
  }

  state.savedLinks.insert(link);
  state.failedTries.erase(link);
  showWhileWatching(view, Status::kDownloaded);
  ++state.downloadCount;
  return DownloadOutcome::kSaved;
}

}  // namespace lirabel
