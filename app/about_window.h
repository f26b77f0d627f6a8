// The about window: what the tool does, and a button that opens the forum in
// the default browser. Shown modally by the main window's Help/About button.
#ifndef LIRABEL_APP_ABOUT_WINDOW_H_
#define LIRABEL_APP_ABOUT_WINDOW_H_

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;

namespace lirabel {

// The forum's home page. Its real address is not known, so it stays under
// the domain reserved for examples.
inline constexpr char kForumAddress[] = "https://forum.example.com/";

// The about text: four lines joined by CR LF, each indented by four spaces.
extern const char kAboutText[];

class AboutWindow : public QDialog {
  Q_OBJECT

 public:
  // Opens an address in the default browser; the real one is
  // QDesktopServices::openUrl.
  using UrlOpener = std::function<bool(const QUrl&)>;

  // Replaces the opener of every about window; an empty one puts the real
  // opener back. Returns the one installed before. For tests.
  static UrlOpener setUrlOpener(UrlOpener opener);

  explicit AboutWindow(QWidget* parent = nullptr);

 private:
  void openForum();

  QLabel* aboutLabel_;
  QPushButton* forumButton_;
};

}  // namespace lirabel

#endif  // LIRABEL_APP_ABOUT_WINDOW_H_
