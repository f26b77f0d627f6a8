// The texts of the status label 标签2, in one place: the label shows these and
// nothing else.
#ifndef LIRABEL_APP_STATUS_TEXTS_H_
#define LIRABEL_APP_STATUS_TEXTS_H_

#include <string_view>

namespace lirabel {

enum class Status {
  kReady,           // from start-up until the first Start
  kStarted,         // at the end of Start
  kWaiting,         // a newer work was found, before its page is fetched
  kDownloading,     // the work's fields are taken, before its media
  kDownloaded,      // the work's file is written
  kDownloadFailed,  // the work could not be saved; it is tried again
  kStopped,         // Stop
};

// The label text in UTF-8, for the window.
constexpr std::string_view statusText(Status status) {
  switch (status) {
    case Status::kReady:
      return "准备";
    case Status::kStarted:
      return "已启动，请保持网络畅通";
    case Status::kWaiting:
      return "等待下载";
    case Status::kDownloading:
      return "正在下载中";
    case Status::kDownloaded:
      return "下载成功，继续监控中";
    case Status::kDownloadFailed:
      return "下载失败，继续监控中";
    case Status::kStopped:
      return "已停止";
  }
  return "";
}

}  // namespace lirabel

#endif  // LIRABEL_APP_STATUS_TEXTS_H_
