#include "app/homepage_snapshot.h"

#include "text/codepage.h"
#include "text/regex_object.h"

namespace lirabel {
namespace {

constexpr std::string_view kLinkPattern =
    "<a href=\"(.*?)\" class=\"mod_playlist__cover\"";
constexpr std::string_view kTimePattern = "time\":(.*?),";
// The first time on the page belongs to no work.
constexpr int kTimeMatchesNeeded = kSnapshotEntries + 1;

}  // namespace

HomepageSnapshot readHomepageSnapshot(const Text& page) {
  HomepageSnapshot snapshot;
  RegexObject links;
  links.search(kLinkPattern, page);
  if (links.matchCount() < kSnapshotEntries) return snapshot;
  for (int k = 1; k <= kSnapshotEntries; ++k) {
    snapshot.entries[k - 1].link = links.subMatchText(k, 1);
  }
  RegexObject times;
  times.search(kTimePattern, page);
  if (times.matchCount() < kTimeMatchesNeeded) return HomepageSnapshot{};
  for (int k = 1; k <= kSnapshotEntries; ++k) {
    snapshot.entries[k - 1].time = toInt64(times.subMatchText(k + 1, 1));
  }
  snapshot.complete = true;
  return snapshot;
}

HomepageSnapshot takeHomepageSnapshot(const Text& address, WatchNet& net) {
  return readHomepageSnapshot(utf8ToLocal(net.fetchHomepage(address)));
}

HomepageSnapshot takeHomepageSnapshot(const Text& address) {
  return takeHomepageSnapshot(address, realWatchNet());
}

}  // namespace lirabel
