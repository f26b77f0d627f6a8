// The three fetches of the watch, behind one interface: the homepage and the
// media through WebObjectRequest, the work page through WebSessionRequest.
// realWatchNet() calls those routines; tests put in fakes that fail on
// demand or run code in the middle of a fetch.
#ifndef LIRABEL_APP_WATCH_NET_H_
#define LIRABEL_APP_WATCH_NET_H_

#include "text/text.h"

namespace lirabel {

struct MediaResponse {
  int status = 0;  // the HTTP status; 0 when no answer came
  Bytes body;
};

class WatchNet {
 public:
  virtual ~WatchNet() = default;
  // The homepage body; empty when the fetch failed.
  virtual Bytes fetchHomepage(const Text& address) = 0;
  // The work page as local text; empty when the fetch failed. Pending window
  // events may run inside.
  virtual Text fetchWorkPage(const Text& link) = 0;
  virtual MediaResponse fetchMedia(const Text& address) = 0;
};

WatchNet& realWatchNet();

}  // namespace lirabel

#endif  // LIRABEL_APP_WATCH_NET_H_
