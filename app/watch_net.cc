#include "app/watch_net.h"

namespace lirabel {
namespace {

// Until the request routines are in, every fetch fails.
class PendingWatchNet final : public WatchNet {
 public:
  Bytes fetchHomepage(const Text&) override { return {}; }
  Text fetchWorkPage(const Text&) override { return {}; }
  MediaResponse fetchMedia(const Text&) override { return {}; }
};

}  // namespace

WatchNet& realWatchNet() {
  static PendingWatchNet net;
  return net;
}

}  // namespace lirabel
