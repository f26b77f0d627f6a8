#include <QApplication>

#include "app/main_window.h"
#include "app/qt_event_pump.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setFont(lirabel::windowFont());
  lirabel::installQtEventPump();

  lirabel::MainWindow window;
  window.show();
  app.exec();
  // Closing the main window ends the run the same way in every state.
  return 0;
}
