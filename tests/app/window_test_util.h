// Finding the controls of a window by their own names, as a user sees them.
#ifndef LIRABEL_TESTS_APP_WINDOW_TEST_UTIL_H_
#define LIRABEL_TESTS_APP_WINDOW_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTimer>
#include <functional>
#include <string>

namespace lirabel::testing {

inline std::string utf8(const QString& text) { return text.toStdString(); }

// The child of `root` named `name`; the test fails when there is none.
template <typename T>
T* control(QObject* root, const char* name) {
  T* found = root->findChild<T*>(QString::fromUtf8(name));
  EXPECT_NE(found, nullptr) << "no control named " << name;
  return found;
}

// Empty when the text of a label, button or group box is drawn whole inside
// the control in a CJK font; otherwise what does not fit.
inline std::string fitProblem(QWidget* widget) {
  const QFontInfo used(widget->font());
  if (!used.family().contains(QStringLiteral("CJK"))) {
    return "font " + used.family().toStdString() + " has no CJK glyphs";
  }
  const QFontMetrics metrics(widget->font());
  QRect room;
  QRect needed;
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    room = label->contentsRect();
    int flags = static_cast<int>(label->alignment());
    if (label->wordWrap()) flags |= Qt::TextWordWrap;
    needed = metrics.boundingRect(room, flags, label->text());
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    room = button->style()->subElementRect(QStyle::SE_PushButtonContents,
                                           &option, button);
    needed = metrics.boundingRect(room, Qt::AlignCenter, button->text());
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    room = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                          QStyle::SC_GroupBoxLabel, group);
    // The title is one line of the font's full height.
    needed = QRect(0, 0, metrics.horizontalAdvance(group->title()),
                   metrics.height());
  } else {
    return "not a control with a text";
  }
  if (needed.width() > room.width() || needed.height() > room.height()) {
    return "needs " + std::to_string(needed.width()) + "x" +
           std::to_string(needed.height()) + ", has " +
           std::to_string(room.width()) + "x" + std::to_string(room.height());
  }
  return "";
}

// Runs `inspect` on the modal window that `open` shows, then closes that
// window with `close`; fails when no modal window appears.
inline void whileModal(const std::function<void()>& open,
                       const std::function<void(QWidget*)>& inspect,
                       const std::function<void(QWidget*)>& close) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(10);
  QElapsedTimer waited;
  waited.start();
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      if (waited.elapsed() > 5000) poll.stop();
      return;
    }
    poll.stop();
    seen = true;
    inspect(modal);
    close(modal);
  });
  poll.start();
  open();
  poll.stop();
  EXPECT_TRUE(seen) << "no modal window was shown";
}

}  // namespace lirabel::testing

#endif  // LIRABEL_TESTS_APP_WINDOW_TEST_UTIL_H_
