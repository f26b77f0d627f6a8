// One move-only owner for each kind of libcurl handle the request layers
// hold, and libcurl's process-wide set-up.
#ifndef LIRABEL_PLATFORM_CURL_HANDLES_H_
#define LIRABEL_PLATFORM_CURL_HANDLES_H_

#include <curl/curl.h>

#include <memory>
#include <string>

namespace lirabel::platform {

// True once curl_global_init has succeeded; it runs on the first call and is
// undone at exit.
bool curlReady();

struct CurlEasyCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;

struct CurlUrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;

// A string that libcurl allocated.
struct CurlFree {
  void operator()(char* text) const { curl_free(text); }
};
using CurlString = std::unique_ptr<char, CurlFree>;

// A curl_slist of header lines.
class CurlHeaderList {
 public:
  // Keeps the list as it was when libcurl cannot grow it.
  bool append(const std::string& line) {
    curl_slist* grown = curl_slist_append(list_.get(), line.c_str());
    if (grown == nullptr) return false;
    (void)list_.release();  // grown is the same list, one line longer
    list_.reset(grown);
    return true;
  }
  curl_slist* get() const { return list_.get(); }
  void clear() { list_.reset(); }

 private:
  struct Free {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
  };
  std::unique_ptr<curl_slist, Free> list_;
};

}  // namespace lirabel::platform

#endif  // LIRABEL_PLATFORM_CURL_HANDLES_H_
