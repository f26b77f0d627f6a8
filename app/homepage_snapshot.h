// What one fetch of the singer homepage tells the watch: the links of the
// four works listed first and the publication time of each. The page is read
// through two patterns only; nothing else of its layout is relied on.
#ifndef LIRABEL_APP_HOMEPAGE_SNAPSHOT_H_
#define LIRABEL_APP_HOMEPAGE_SNAPSHOT_H_

#include <array>
#include <cstdint>

#include "app/watch_net.h"
#include "text/text.h"

namespace lirabel {

inline constexpr int kSnapshotEntries = 4;

struct HomepageSnapshot {
  struct Entry {
    Text link;              // verbatim href of the k-th cover link
    std::int64_t time = 0;  // the (k+1)-th "time" value
  };
  // At least 4 link matches and 5 time matches; entries are filled only then.
  bool complete = false;
  std::array<Entry, kSnapshotEntries> entries;
};

// Reads a homepage already turned into local text.
HomepageSnapshot readHomepageSnapshot(const Text& page);

// Fetches the homepage and reads it. An unusable page or a failed fetch gives
// complete false.
HomepageSnapshot takeHomepageSnapshot(const Text& address, WatchNet& net);
HomepageSnapshot takeHomepageSnapshot(const Text& address);

}  // namespace lirabel

#endif  // LIRABEL_APP_HOMEPAGE_SNAPSHOT_H_
