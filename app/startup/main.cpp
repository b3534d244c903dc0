// The start-up block: one instance per user, the splash while the main window is created,
// then the message loop.
#include "app/widgets/cvmain.h"
#include "catalog/widgets/imgpanel.h"
#include "extras/widgets/splash_form.h"
#include "platform/single_instance.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

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

// Under test, QIVO2_TEST_RUN names a command of the main menu to run once the window is up
// (the editor, a modal window), and a line on stderr says when it has had time to open.
void runTestCommand(app::TCVMain& main) {
  if (qEnvironmentVariable("QIVO2_TEST") != QLatin1String("1")) return;
  const QString name = qEnvironmentVariable("QIVO2_TEST_RUN");
  QAction* action = name.isEmpty() ? nullptr : main.Menus[name];
  if (!action) return;
  QTimer::singleShot(0, &main, [action, name] {
    // Fires inside a modal window's own loop, or after the command returned.
    QTimer::singleShot(300, [name] { std::fprintf(stderr, "qivo2: ran %s\n", qPrintable(name)); });
    action->trigger();
  });
}

// However the ending goes, the process is gone this long after the signal.
constexpr unsigned kTerminateBoundSeconds = 10;

int signalPipe[2] = {-1, -1};

void onTerminate(int) {
  const char c = 1;
  [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
  alarm(kTerminateBoundSeconds);  // the last resort, should the event loop never come back
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

// The other windows first: modal ones are cancelled (a question answered neither yes nor
// no changes no file) and the editor closes without saving, as at any end of a program; then
// the main window closes, writing its state, and every event loop ends, the main one and
// those of modal windows alike (any started after this returns at once).
void closeEverything(QWidget* main) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == main || !w->isVisible()) continue;
    if (auto* dialog = qobject_cast<QDialog*>(w))
      dialog->reject();
    else
      w->close();
  }
  main->close();
  QCoreApplication::quit();
}

void closeOnTerminate(QWidget* window) {
  if (signalPipe[0] < 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
  QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
    char c;
    [[maybe_unused]] ssize_t n = ::read(signalPipe[0], &c, 1);
    closeEverything(window);
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
  int rc = 0;
  bool workersStuck = false;
  {
    app::TCVMain main;
    splash->close();
    delete splash;

    closeOnTerminate(&main);
    main.show();
    reportStart(main);
    runTestCommand(main);
    rc = app.exec();
    workersStuck = main.StopThumbnails();
  }  // the folder history is written as the main window goes
  mutex.Release();
  if (workersStuck) {
    // A thumbnail worker is still inside a plug-in that never returned: it cannot be joined,
    // and neither the plug-in nor what it may touch can be taken down under it. Settings,
    // history and cache files are on disk by now; end here.
    std::fflush(nullptr);
    ::_exit(rc);
  }
  return rc;
}
