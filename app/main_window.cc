#include "app/main_window.h"

#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>
#include <utility>

#include "app/about_window.h"
#include "app/qt_text.h"

namespace lirabel {

namespace {

// The window's place on the screen and the size of its client area, which
// holds every control whole: the rightmost control ends at x 584, the lowest
// at y 192.
constexpr QPoint kWindowPosition(50, 50);
constexpr QSize kClientSize(592, 200);

// Every text of the window, as the controls show them at start-up.
constexpr char kLabel1Text[] = "主页地址";
constexpr char kStartText[] = "开始";
constexpr char kStopText[] = "停止";
constexpr char kClearText[] = "清除";
constexpr char kGroupText[] = "状态";
constexpr char kLabel4Text[] = "按钮做那么大，只为方便平板使用";
constexpr char kLabel3Text[] = "歌手备注(不填表示使用昵称)：";
constexpr char kPasteAddressText[] = "快速粘贴\r\n（主页地址）\r\n无需点清除";
constexpr char kPasteNoteText[] = "快速粘贴\r\n（歌手备注）\r\n无需点清除";
constexpr char kHelpText[] = "帮助/关于";
constexpr char kExitText[] = "退出";
constexpr char kLabel5Text[] = "@Ostrel论坛";

constexpr char kSummaryCaption[] = "信息：";

// The frame line runs through the middle of the title, as on a classic group
// box, so that 标签2 at y 16 sits inside the frame and not on its edge.
constexpr char kGroupBoxStyle[] =
    "QGroupBox { border: 1px solid #a0a0a0; border-radius: 2px;"
    " margin-top: 8px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top "
    "left;"
    " left: 6px; padding: 0 2px; }";

constexpr char kFontFamily[] = "Noto Sans CJK SC";

template <typename Control>
Control* place(Control* control, const char* name, QRect geometry) {
  control->setObjectName(QString::fromUtf8(name));
  control->setGeometry(geometry);
  return control;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* text,
                  QRect geometry) {
  auto* label = place(new QLabel(windowText(text), parent), name, geometry);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* text,
                        QRect geometry) {
  auto* button =
      place(new QPushButton(windowText(text), parent), name, geometry);
  // No button takes Enter for itself: Enter in an edit box must not start
  // or stop a watch.
  button->setAutoDefault(false);
  return button;
}

}  // namespace

QFont windowFont(int pixelSize) {
  QFont font(QString::fromUtf8(kFontFamily));
  font.setPixelSize(pixelSize);
  return font;
}

void showSummaryBox(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kSummaryCaption), text,
                  QMessageBox::Ok);
  box.setObjectName(QStringLiteral("summaryBox"));
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

WatchController::Options MainWindow::defaultWatchOptions() {
  WatchController::Options options;
  options.summaryBox = &showSummaryBox;
  return options;
}

MainWindow::MainWindow(WatchController::Options watchOptions) {
  setWindowTitle(QString::fromUtf8(kMainWindowTitle));
  setFont(windowFont());

  label1_ = makeLabel(this, "标签1", kLabel1Text, {8, 16, 56, 24});
  edit1_ = place(new QLineEdit(this), "编辑框1", {64, 16, 400, 24});
  button1_ = makeButton(this, "按钮1", kStartText, {256, 48, 64, 64});
  button2_ = makeButton(this, "按钮2", kStopText, {328, 48, 64, 64});
  button3_ = makeButton(this, "按钮3", kClearText, {400, 48, 64, 64});
  group1_ = place(new QGroupBox(windowText(kGroupText), this), "分组框1",
                  {8, 64, 240, 40});
  group1_->setStyleSheet(QString::fromUtf8(kGroupBoxStyle));
  label2_ = makeLabel(group1_, "标签2", "", {8, 16, 216, 16});
  label4_ = makeLabel(this, "标签4", kLabel4Text, {8, 40, 232, 24});
  label3_ = makeLabel(this, "标签3", kLabel3Text, {24, 120, 168, 24});
  edit2_ = place(new QLineEdit(this), "编辑框2", {200, 120, 264, 24});
  button4_ = makeButton(this, "按钮4", kPasteAddressText, {480, 8, 104, 80});
  button5_ = makeButton(this, "按钮5", kPasteNoteText, {480, 96, 104, 72});
  button6_ = makeButton(this, "按钮6", kHelpText, {0, 144, 96, 48});
  button7_ = makeButton(this, "按钮7", kExitText, {104, 144, 88, 48});
  label5_ = makeLabel(this, "标签5", kLabel5Text, {496, 176, 80, 16});

  // Only 16 pixels high: the line of the window font is taller.
  label2_->setFont(windowFont(kSmallFontPixels));
  label5_->setFont(windowFont(kSmallFontPixels));

  button2_->setEnabled(false);
  showStatus(Status::kReady);

  controller_ = new WatchController(*this, std::move(watchOptions), this);
  connect(controller_, &WatchController::statusChanged, this,
          &MainWindow::showStatus);

  connect(button1_, &QPushButton::clicked, controller_,
          &WatchController::startWatch);
  connect(button2_, &QPushButton::clicked, controller_,
          &WatchController::stopWatch);
  connect(button3_, &QPushButton::clicked, this, &MainWindow::clearBoxes);
  connect(button4_, &QPushButton::clicked, this, [this] { pasteInto(edit1_); });
  connect(button5_, &QPushButton::clicked, this, [this] { pasteInto(edit2_); });
  connect(button6_, &QPushButton::clicked, this, &MainWindow::showAbout);
  connect(button7_, &QPushButton::clicked, this, &MainWindow::exitNow);

  setFixedSize(kClientSize);
  move(kWindowPosition);
}

QString MainWindow::homepageAddressText() const { return edit1_->text(); }

QString MainWindow::singerNoteText() const { return edit2_->text(); }

void MainWindow::switchControlsToWatching() {
  edit1_->setEnabled(false);
  button1_->setEnabled(false);
  button2_->setEnabled(true);
  button3_->setEnabled(false);
  button4_->setEnabled(false);
  button5_->setEnabled(false);
  // The focus would otherwise fall to 编辑框2, whose blinking cursor is the
  // one thing that wakes an idle watch besides 时钟1. The note can still be
  // clicked and edited.
  button2_->setFocus();
}

void MainWindow::switchControlsToIdle() {
  button1_->setEnabled(true);
  button2_->setEnabled(false);
  edit1_->setEnabled(true);
  button3_->setEnabled(true);
  button4_->setEnabled(true);
  button5_->setEnabled(true);
  button1_->setFocus();
}

void MainWindow::showStatus(Status status) {
  const std::string_view text = statusText(status);
  label2_->setText(
      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void MainWindow::clearBoxes() {
  edit1_->clear();
  edit2_->clear();
}

void MainWindow::pasteInto(QLineEdit* box) {
  // text() is empty when the clipboard holds no text (an image, nothing).
  box->setText(QGuiApplication::clipboard()->text());
}

void MainWindow::showAbout() {
  // No parent: the about window is a window of its own, modal to the whole
  // application while it is open.
  AboutWindow about;
  about.exec();
}

void MainWindow::exitNow() {
  // At once: no summary, no clean-up, even in the middle of a watch.
  std::_Exit(EXIT_SUCCESS);
}

}  // namespace lirabel
