#pragma once
// The main window as a benchmark opens it: settings in a folder of its own, 1280 x 800,
// shown, and no start folder from the command line (the folders are the benchmark's).
#include <QApplication>
#include <QTemporaryDir>

#include "app/widgets/cvmain.h"

namespace bench {

class TBenchMainWindow {
 public:
  explicit TBenchMainWindow(char** argv) : app_((qputenv("QIVO2_HOME", home_.path().toUtf8()), argc_), argv) {
    Window.resize(1280, 800);
    Window.show();
    QApplication::processEvents();
  }

 private:
  QTemporaryDir home_;
  int argc_ = 1;
  QApplication app_;

 public:
  app::TCVMain Window;
};

}  // namespace bench
