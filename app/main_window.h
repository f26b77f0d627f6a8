// The main window: the homepage address and singer note boxes, Start, Stop,
// Clear, the two paste buttons, Help/About, Exit and the status label.
//
// The window only creates the controls at their fixed places and passes the
// clicks on; the watch itself lives in the WatchController it owns. Every
// control carries its own name as its object name (编辑框1, 按钮1, 标签2...).
#ifndef LIRABEL_APP_MAIN_WINDOW_H_
#define LIRABEL_APP_MAIN_WINDOW_H_

#include <QFont>
#include <QString>
#include <QWidget>

#include "app/status_texts.h"
#include "app/watch_controller.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lirabel {

inline constexpr char kMainWindowTitle[] = "Lirabel全自动监控工具V0.9.1 beta";

// The font of both windows: a CJK font at a size that fits every text into
// its fixed control.
inline constexpr int kWindowFontPixels = 12;
// For the controls whose height leaves no room for the full line height.
inline constexpr int kSmallFontPixels = 11;
QFont windowFont(int pixelSize = kWindowFontPixels);

// The summary box: caption "信息：", OK only, modal to the whole application
// and without an owner window; returns when it is closed.
void showSummaryBox(const QString& text);

class MainWindow : public QWidget, private WatchWindow {
  Q_OBJECT

 public:
  // The watch steps and the summary box; the defaults are the real ones.
  static WatchController::Options defaultWatchOptions();

  explicit MainWindow(
      WatchController::Options watchOptions = defaultWatchOptions());

  WatchController& controller() { return *controller_; }

 private:
  // WatchWindow
  QString homepageAddressText() const override;
  QString singerNoteText() const override;
  void switchControlsToWatching() override;
  void switchControlsToIdle() override;

  void showStatus(Status status);
  void clearBoxes();
  void pasteInto(QLineEdit* box);
  void showAbout();
  [[noreturn]] void exitNow();

  QLabel* label1_;
  QLineEdit* edit1_;
  QPushButton* button1_;
  QPushButton* button2_;
  QPushButton* button3_;
  QGroupBox* group1_;
  QLabel* label2_;
  QLabel* label4_;
  QLabel* label3_;
  QLineEdit* edit2_;
  QPushButton* button4_;
  QPushButton* button5_;
  QPushButton* button6_;
  QPushButton* button7_;
  QLabel* label5_;
  WatchController* controller_;
};

}  // namespace lirabel

#endif  // LIRABEL_APP_MAIN_WINDOW_H_
