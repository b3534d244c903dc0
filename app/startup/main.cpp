// The start-up block: one instance per user, the splash while the main window is created,
// then the message loop.
#include "app/widgets/cvmain.h"
#include "catalog/widgets/imgpanel.h"
#include "extras/widgets/splash_form.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const char* const kAlreadyRunning = "アプリケーションは既に起動しています";

bool hasDisplay() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// No one could answer a message box here: tests, and the offscreen and minimal platforms.
bool unattended() {
  const QString qpa = qEnvironmentVariable("QT_QPA_PLATFORM");
  return qEnvironmentVariable("QIVO2_TEST") == QLatin1String("1") || qpa.startsWith(QLatin1String("offscreen")) ||
         qpa.startsWith(QLatin1String("minimal"));
}

// Under test, one line on stderr tells a start from outside (a desktop menu, a file manager)
// where the program opened: the folder shown and the picture selected in it.
void reportStart(app::TCVMain& main) {
  if (qEnvironmentVariable("QIVO2_TEST") != QLatin1String("1")) return;
  const int index = main.ChosenIndex();
  const QString selected = index >= 0 ? main.ImgPanel1->Item(index)->GetParseName() : QString();
  std::fprintf(stderr, "qivo2: started in %s, selected %s\n", QFile::encodeName(main.CurrentFolder).constData(),
               selected.isEmpty() ? "nothing" : QFile::encodeName(selected).constData());
}

int signalPipe[2] = {-1, -1};

void onTerminate(int) {
  const char c = 1;
  [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
}

// SIGTERM and SIGINT close the main window the ordinary way, so its state is written. The
// handler is installed before the window exists; a signal that comes early waits in the pipe.
void catchTerminate() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = onTerminate;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
}

void closeOnTerminate(QWidget* window) {
  if (signalPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
    char c;
    [[maybe_unused]] ssize_t n = ::read(signalPipe[0], &c, 1);
    window->close();
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (!hasDisplay()) {
    std::fprintf(stderr, "qivo2: no display (DISPLAY/WAYLAND_DISPLAY unset); run it under Xvfb: xvfb-run -a %s\n",
                 argv[0]);
    return 1;
  }
  QApplication app(argc, argv);

  platform::TSingleInstance mutex(QStringLiteral("EX_Mutex"));
  if (!mutex.TryAcquire()) {
    std::fprintf(stderr, "%s\n", kAlreadyRunning);
    if (!unattended())
      QMessageBox::information(nullptr, QStringLiteral("QIVO2"), QString::fromUtf8(kAlreadyRunning));
    return 1;
  }

  catchTerminate();
  auto* splash = new extras::TSplashForm;
  splash->ShowNow();
  QApplication::setApplicationName(QStringLiteral("QIVO2"));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.qivo2.QIVO2"));
  app::TCVMain main;
  splash->close();
  delete splash;

  closeOnTerminate(&main);
  main.show();
  reportStart(main);
  const int rc = app.exec();
  mutex.Release();
  return rc;
}
