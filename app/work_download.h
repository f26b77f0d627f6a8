// Saving one new work: its page, its media, and the file it goes into.
//
// A work is saved only when every step worked: the work page came back, it
// names a media address, the media answered 2xx with a body, and the file was
// written whole under a name no other file had. Anything else leaves no file
// behind and is not counted, so the work can be tried again.
#ifndef LIRABEL_APP_WORK_DOWNLOAD_H_
#define LIRABEL_APP_WORK_DOWNLOAD_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "app/watch_core.h"
#include "app/watch_net.h"
#include "platform/program_files.h"
#include "text/text.h"

namespace lirabel {

// A singer or song name made safe to stand in a file name: the nine
// characters \ / : * ? " < > | and every byte below 0x20 are removed,
// character by character, so a double-byte character is never split.
Text cleanNamePart(std::string_view part);

// Local text as a UTF-8 file name.
std::string localToFileName(std::string_view local);

// The UTF-8 name "<singer> - <song>.m4a", or "<singer> - <song> (n).m4a" for
// copyNumber n above 1, from already cleaned parts. Leading dots are dropped
// so the file is never hidden, and the song part (the singer too, if it alone
// is too long) is cut at a character boundary so that the name and its
// temporary name fit the file system's limit.
std::string workFileName(std::string_view singer, std::string_view song,
                         int copyNumber);

// The temporary name while a work is written is "." + name + a unique part.
inline constexpr std::size_t kMaxWorkFileNameBytes =
    platform::kMaxFileNameBytes - 1 - platform::kTempNameExtraBytes;

// Writes data into folder under the first free one of the names above. Returns
// the UTF-8 name used, or "" when nothing could be written; no file is ever
// replaced and no partial file is left.
std::string saveWorkFile(platform::FileSystem& files, const std::string& folder,
                         std::string_view singer, std::string_view song,
                         const Bytes& data);

enum class DownloadOutcome { kSaved, kFailed };

// Fetches the work at link and saves it. On success the link joins
// state.savedLinks, downloadCount grows and "下载成功，继续监控中" is shown; on
// failure the link's failed tries grow and "下载失败，继续监控中" is shown.
// Status texts are shown only while the watch is on. lastSeenTime is left to
// the caller.
DownloadOutcome downloadWork(WatchState& state, WatchView& view,
                             const Text& singerNote, const Text& link,
                             bool showWaiting);

}  // namespace lirabel

#endif  // LIRABEL_APP_WORK_DOWNLOAD_H_
