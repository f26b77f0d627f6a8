// The about window and the summary box: their texts, places and the forum
// button, with the browser replaced so that no address is contacted.
#include "app/about_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

#include "app/main_window.h"
#include "tests/app/window_test_util.h"

namespace lirabel {
namespace {

using testing::control;
using testing::utf8;

TEST(AboutWindowTest, ShowsTheAboutTextAndTheForumButton) {
  AboutWindow about;
  about.show();
  EXPECT_TRUE(about.windowTitle().isEmpty());
  EXPECT_EQ(about.parentWidget(), nullptr);
  EXPECT_EQ(about.pos(), QPoint(50, 50));

  QLabel* text = control<QLabel>(&about, "帮助关于");
  QPushButton* forum = control<QPushButton>(&about, "按钮1");
  ASSERT_NE(text, nullptr);
  ASSERT_NE(forum, nullptr);
  EXPECT_EQ(text->geometry(), QRect(0, 0, 264, 128));
  EXPECT_EQ(forum->geometry(), QRect(0, 128, 264, 40));
  EXPECT_TRUE(about.rect().contains(text->geometry()));
  EXPECT_TRUE(about.rect().contains(forum->geometry()));
  EXPECT_EQ(utf8(forum->text()), "Ostrel论坛");

  // Four lines, each indented by four spaces, shown as separate lines.
  const QStringList lines = text->text().split('\n');
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(utf8(lines[0]),
            "    该软件可以监控某歌手Lirabel主页，发现新作品后自动下载，防止其"
            "删除作品，类似于消息防撤回。");
  EXPECT_EQ(utf8(lines[1]),
            "    将歌手主页地址粘贴到编辑框，点击“开始”按钮即可开始监控。");
  EXPECT_EQ(utf8(lines[2]),
            "    本来准备在今年学弟学妹们高考完之前开发完毕，可他们在四周一遇的"
            "假期也会适当唱几首歌放松一下，所以该软件被迫提前开发。");
  EXPECT_EQ(utf8(lines[3]), "    延迟不要修改太低,容易被禁IP");
  EXPECT_EQ(std::string(kAboutText).find("\r\n"), lines[0].toUtf8().size());

  EXPECT_EQ(testing::fitProblem(text), "");
  EXPECT_EQ(testing::fitProblem(forum), "");
}

TEST(AboutWindowTest, ForumButtonOpensTheForumAndStaysOpen) {
  std::vector<QUrl> opened;
  AboutWindow::UrlOpener before =
      AboutWindow::setUrlOpener([&](const QUrl& url) {
        opened.push_back(url);
        return true;
      });
  AboutWindow about;
  about.show();
  control<QPushButton>(&about, "按钮1")->click();
  AboutWindow::setUrlOpener(before);

  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl(QString::fromUtf8(kForumAddress)));
  EXPECT_EQ(opened[0].host().toStdString(), "forum.example.com");
  EXPECT_TRUE(about.isVisible());
}

TEST(SummaryBoxTest, IsAnOwnerlessApplicationModalBoxWithOkOnly) {
  testing::whileModal(
      [] { showSummaryBox(QString::fromUtf8("本次一共下载了3首作品")); },
      [](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(utf8(box->windowTitle()), "信息：");
        EXPECT_EQ(utf8(box->text()), "本次一共下载了3首作品");
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButton(box->buttons()[0]), QMessageBox::Ok);
      },
      [](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box != nullptr) box->button(QMessageBox::Ok)->click();
      });
}

}  // namespace
}  // namespace lirabel
