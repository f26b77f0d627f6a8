#include "platform/curl_handles.h"

namespace lirabel::platform {

namespace {

class CurlGlobal {
 public:
  CurlGlobal() : ok_(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {}
  ~CurlGlobal() {
    if (ok_) curl_global_cleanup();
  }
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace

bool curlReady() {
  static CurlGlobal global;
  return global.ok();
}

}  // namespace lirabel::platform
