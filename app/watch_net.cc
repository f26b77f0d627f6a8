#include "app/watch_net.h"

#include <cstdint>

#include "web/web_object_request.h"
#include "web/web_session_request.h"

namespace lirabel {
namespace {

class RequestWatchNet final : public WatchNet {
 public:
  Bytes fetchHomepage(const Text& address) override {
    return WebObjectRequest(address);
  }

  Text fetchWorkPage(const Text& link) override {
    return WebSessionRequest(link);
  }

  MediaResponse fetchMedia(const Text& address) override {
    // The status tells an error page from the media itself.
    std::int32_t status = 0;
    WebObjectRequestOptions options;
    options.status = &status;
    MediaResponse media;
    media.body = WebObjectRequest(address, options);
    media.status = status;
    return media;
  }
};

}  // namespace

WatchNet& realWatchNet() {
  static RequestWatchNet net;
  return net;
}

}  // namespace lirabel
