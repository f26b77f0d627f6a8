#include "app/about_window.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <utility>

#include "app/main_window.h"
#include "app/qt_text.h"

namespace lirabel {

const char kAboutText[] =
    "    "
    "该软件可以监控某歌手Lirabel主页，发现新作品后自动下载，防止其删除作品，"
    "类似于消息防撤回。\r\n"
    "    将歌手主页地址粘贴到编辑框，点击“开始”按钮即可开始监控。\r\n"
    "    本来准备在今年学弟学妹们高考完之前开发完毕，可他们在四周一遇的假期也会"
    "适当唱几首歌放松一下，所以该软件被迫提前开发。\r\n"
    "    延迟不要修改太低,容易被禁IP";

namespace {

constexpr QPoint kWindowPosition(50, 50);
// Holds the about text and the button whole.
constexpr QSize kClientSize(271, 172);
constexpr char kForumButtonText[] = "Ostrel论坛";

AboutWindow::UrlOpener& installedOpener() {
  static AboutWindow::UrlOpener opener;
  return opener;
}

}  // namespace

AboutWindow::UrlOpener AboutWindow::setUrlOpener(UrlOpener opener) {
  return std::exchange(installedOpener(), std::move(opener));
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString());
  setFont(windowFont());
  setModal(true);

  aboutLabel_ = new QLabel(windowText(kAboutText), this);
  aboutLabel_->setObjectName(QStringLiteral("帮助关于"));
  aboutLabel_->setGeometry(0, 0, 264, 128);
  aboutLabel_->setTextFormat(Qt::PlainText);
  aboutLabel_->setWordWrap(true);
  aboutLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Nine lines of the window font would not fit into the label's height.
  aboutLabel_->setFont(windowFont(kSmallFontPixels));

  forumButton_ = new QPushButton(windowText(kForumButtonText), this);
  forumButton_->setObjectName(QStringLiteral("按钮1"));
  forumButton_->setGeometry(0, 128, 264, 40);
  forumButton_->setAutoDefault(false);
  connect(forumButton_, &QPushButton::clicked, this, &AboutWindow::openForum);

  setFixedSize(kClientSize);
  move(kWindowPosition);
}

void AboutWindow::openForum() {
  // The about window stays open; a browser that fails to start shows nothing.
  const QUrl forum(QString::fromUtf8(kForumAddress));
  if (const UrlOpener& opener = installedOpener()) {
    opener(forum);
  } else {
    QDesktopServices::openUrl(forum);
  }
}

}  // namespace lirabel
