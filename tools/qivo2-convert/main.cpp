// qivo2-convert: QIVO2's batch conversion for scripts.
//
//   qivo2-convert [options] INPUT... -o FOLDER_OR_FILE
//
// Inputs load as in the program: built-in formats, PNG and the Susie plug-ins (*.spi)
// of the program folder. Settings not given as options come from QIVO2's settings file (the same keys as the
// batch conversion), or from --settings FILE. An existing target is replaced only with
// --overwrite; otherwise the run stops there, as answering "No" does in the program. Two
// inputs of one name meet the same rule, and a line on stderr tells when the second one's
// output replaced the first one's.
// With -j N, N files are decoded and encoded at a time; targets are still written one by
// one in the inputs' order, so the result is that of -j 1.
// --timeout SECONDS bounds each file's loading and encoding (default 30, 0 none): a file over
// it is reported as timed out and the run goes on; the tool ends at once at the end of the run
// rather than wait for a decoder that never returns.
// Exit status: 0 all converted, 1 some input not converted (one line each on stderr),
// 2 bad command line or output folder.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>

#include "platform/settings.h"
#include "catalog/spi_hook.h"
#include "edit/conversion.h"
#include "graphics/graphic.h"
#include "platform/app_folder.h"
#include "platform/path_bytes.h"
#include "platform/regular_file.h"
#include "view/picture_loader.h"

namespace {

const char kUsage[] =
    "Usage: qivo2-convert [options] INPUT... -o FOLDER_OR_FILE\n"
    "Converts pictures to BMP, JPEG or PNG as QIVO2's batch conversion does.\n"
    "  -o, --output PATH     existing folder (target = input name + new extension), or a\n"
    "                        file name when there is one input\n"
    "  --format bmp|jpg|png  output format (default: the output file's extension)\n"
    "  --size-mode 0..4      0 none, 1 percent, 2 width, 3 height, 4 fit within\n"
    "  --size N              the size mode's value\n"
    "  --quality 1..100      JPEG quality\n"
    "  --progressive[=0|1]   progressive JPEG\n"
    "  --grayscale[=0|1]     grayscale JPEG\n"
    "  --level 0..9          PNG compression level\n"
    "  --interlace[=0|1]     Adam7-interlaced PNG\n"
    "  --colors256[=0|1]     reduce to 256 colours (BMP and PNG)\n"
    "  --overwrite           replace existing targets\n"
    "  -j, --jobs N          convert N files at a time (default: the number of cores);\n"
    "                        the files written are the same for every N\n"
    "  --timeout SECONDS     give up on a file that takes longer to load and encode (a\n"
    "                        plug-in that never returns); it is reported as timed out\n"
    "                        and the run goes on (default 30, 0: no limit)\n"
    "  --settings FILE       read unset options from this INI file instead of QIVO2's\n"
    "  -h, --help            this text\n";

void say(const QString& text) {
  const QByteArray b = platform::DisplayName(text).toUtf8();
  std::fprintf(stderr, "qivo2-convert: %s\n", b.constData());
}

int usageError(const QString& text) {
  say(text);
  std::fprintf(stderr, "Try 'qivo2-convert --help'.\n");
  return 2;
}

struct TOptions {
  QStringList inputs;
  QString output;
  QString settingsFile;
  std::optional<edit::TConvertFormat> format;
  std::optional<int> sizeMode, size, quality, level, jobs, timeout;
  std::optional<bool> progressive, grayscale, interlace, colors256;
  bool overwrite = false;
  bool help = false;
};

bool parseInt(const QString& text, int lo, int hi, int& out) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < lo || v > hi) return false;
  out = v;
  return true;
}

// Returns an error text, or nothing when the command line is good.
std::optional<QString> parse(const QStringList& args, TOptions& o) {
  struct TIntOption {
    const char* name;
    std::optional<int> TOptions::*field;
    int lo, hi;
  };
  const TIntOption ints[] = {
      {"--size-mode", &TOptions::sizeMode, 0, 4},
      {"--size", &TOptions::size, 1, 1 << 20},
      {"--quality", &TOptions::quality, 1, 100},
      {"--level", &TOptions::level, 0, 9},
      {"--jobs", &TOptions::jobs, 1, 256},
      {"-j", &TOptions::jobs, 1, 256},
      {"--timeout", &TOptions::timeout, 0, 24 * 3600},
  };
  struct TFlagOption {
    const char* name;
    std::optional<bool> TOptions::*field;
  };
  const TFlagOption flags[] = {
      {"--progressive", &TOptions::progressive},
      {"--grayscale", &TOptions::grayscale},
      {"--interlace", &TOptions::interlace},
      {"--colors256", &TOptions::colors256},
  };
  bool onlyInputs = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    QString arg = args[i];
    if (onlyInputs || !arg.startsWith('-') || arg == "-") {
      o.inputs << arg;
      continue;
    }
    if (arg == "--") {
      onlyInputs = true;
      continue;
    }
    std::optional<QString> inlineValue;
    if (arg.startsWith("-j") && arg.size() > 2 && !arg.startsWith("--")) {  // -j4
      inlineValue = arg.mid(2);
      arg = QStringLiteral("-j");
    }
    if (const qsizetype eq = arg.indexOf('='); arg.startsWith("--") && eq > 0) {
      inlineValue = arg.mid(eq + 1);
      arg = arg.left(eq);
    }
    auto value = [&](QString& out) -> bool {
      if (inlineValue) {
        out = *inlineValue;
        return true;
      }
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    QString v;
    bool handled = false;
    for (const auto& opt : ints) {
      if (arg != opt.name) continue;
      int n = 0;
      if (!value(v)) return QStringLiteral("%1 needs a value").arg(arg);
      if (!parseInt(v, opt.lo, opt.hi, n))
        return QStringLiteral("%1 takes a number from %2 to %3, not \"%4\"").arg(arg).arg(opt.lo).arg(opt.hi).arg(v);
      o.*opt.field = n;
      handled = true;
    }
    for (const auto& opt : flags) {
      if (arg != opt.name) continue;
      bool on = true;
      if (inlineValue) {
        if (*inlineValue == "1" || *inlineValue == "on") on = true;
        else if (*inlineValue == "0" || *inlineValue == "off") on = false;
        else return QStringLiteral("%1 takes 0 or 1, not \"%2\"").arg(arg, *inlineValue);
      }
      o.*opt.field = on;
      handled = true;
    }
    if (handled) continue;
    if (arg == "-o" || arg == "--output") {
      if (!value(o.output)) return QStringLiteral("%1 needs a path").arg(arg);
    } else if (arg == "--format") {
      edit::TConvertFormat f;
      if (!value(v)) return QStringLiteral("--format needs a value");
      if (!edit::FormatFromExtension(v, f)) return QStringLiteral("unknown format \"%1\" (bmp, jpg or png)").arg(v);
      o.format = f;
    } else if (arg == "--settings") {
      if (!value(o.settingsFile)) return QStringLiteral("--settings needs a file");
    } else if (arg == "--overwrite") {
      o.overwrite = true;
    } else if (arg == "-h" || arg == "--help") {
      o.help = true;
    } else {
      return QStringLiteral("unknown option %1").arg(arg);
    }
  }
  if (o.help) return std::nullopt;
  if (o.inputs.isEmpty()) return QStringLiteral("no input files");
  if (o.output.isEmpty()) return QStringLiteral("no output given (-o FOLDER_OR_FILE)");
  if (o.size && !o.sizeMode) return QStringLiteral("--size needs --size-mode");
  return std::nullopt;
}

// The settings file is named after QIVO2 itself, not after this tool.
QString settingsFileOf(const TOptions& o) {
  return o.settingsFile.isEmpty() ? platform::programFolder() + "/qivo2.ini" : o.settingsFile;
}

edit::TConvertSettings settingsFor(const TOptions& o) {
  const settings::TIniFile ini(settingsFileOf(o));
  edit::TConvertSettings s = edit::ReadConvertSettings(ini);
  if (o.sizeMode) {
    s.SizeMode = *o.sizeMode;
    s.SizeValue = o.size ? *o.size : s.SizeMode ? ini.Read(settings::keys::ConvertSize, s.SizeMode) : 100;
  }
  if (o.quality) s.Quality = *o.quality;
  if (o.level) s.Level = *o.level;
  if (o.progressive) s.Progressive = *o.progressive;
  if (o.grayscale) s.Grayscale = *o.grayscale;
  if (o.interlace) s.Interlace = *o.interlace;
  if (o.colors256) s.ReduceBMP = s.ReducePNG = *o.colors256;
  return s;
}

// Workers left inside a decoder cannot be joined, nor their plug-ins unloaded: the process
// ends without the destructors once the report is out.
int finish(int status, bool workersStuck) {
  if (workersStuck) {
    std::fflush(nullptr);
    ::_exit(status);
  }
  return status;
}

// One file to a named target, given up after `timeout` (0: none). On a time-out the worker
// goes on alone and the caller ends the process.
bool convertWithin(const QString& source, const QString& target, edit::TConvertFormat format,
                   const edit::TConvertSettings& s, edit::TPictureLoader loader, std::chrono::seconds timeout,
                   QString& error) {
  if (timeout.count() == 0) {
    try {
      edit::ConvertFile(source, target, format, s, loader);
      return true;
    } catch (const std::exception& e) {
      error = QString::fromUtf8(e.what());
      return false;
    }
  }
  struct TShared {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false, ok = false;
    QString error;
  };
  auto shared = std::make_shared<TShared>();
  std::thread worker([=] {
    bool ok = false;
    QString why;
    try {
      edit::ConvertFile(source, target, format, s, loader);
      ok = true;
    } catch (const std::exception& e) {
      why = QString::fromUtf8(e.what());
    }
    std::lock_guard lock(shared->mutex);
    shared->finished = true;
    shared->ok = ok;
    shared->error = why;
    shared->done.notify_all();
  });
  std::unique_lock lock(shared->mutex);
  if (!shared->done.wait_for(lock, timeout, [&] { return shared->finished; })) {
    worker.detach();
    error = QStringLiteral("timed out after %1 s").arg(timeout.count());
    return false;
  }
  lock.unlock();
  worker.join();
  error = shared->error;
  return shared->ok;
}

int report(const edit::TConvertRunResult& run) {
  bool anyMissing = false;
  for (const auto& out : run.Outcomes) {
    if (!out.Replaced.isEmpty())
      say(QStringLiteral("%1: replaced %2, written from %3 earlier in this run").arg(out.Source, out.Target, out.Replaced));
    if (out.Status == edit::csConverted) continue;
    anyMissing = true;
    say(QStringLiteral("%1: not converted: %2").arg(out.Source, out.Reason));
  }
  return anyMissing ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Text and HTML pictures need fonts, hence a GUI application, but never a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Standard error carries one line per failed input; Qt's own chatter stays out of it.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtCriticalMsg || type == QtFatalMsg) say(msg);
  });
  QGuiApplication app(argc, argv);
  TOptions o;
  // File names are bytes: Qt's own argument list would turn those that are not UTF-8 into U+FFFD.
  QStringList args;
  for (int i = 0; i < argc; ++i) args << platform::PathFromBytes(QByteArray(argv[i]));
  if (const auto error = parse(args, o)) return usageError(*error);
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  const QFileInfo out(o.output);
  const bool outputIsFolder = platform::KindOfPath(o.output) == platform::PathKind::Folder;
  const bool toFolder = outputIsFolder || o.output.endsWith('/');
  if (toFolder && !outputIsFolder) return usageError(QStringLiteral("the folder %1 does not exist").arg(o.output));
  if (!toFolder && o.inputs.size() > 1)
    return usageError(QStringLiteral("%1 is not a folder; several inputs need an existing output folder").arg(o.output));
  edit::TConvertFormat format = edit::cfBMP;
  if (o.format) {
    format = *o.format;
  } else if (toFolder || !edit::FormatFromExtension(out.suffix(), format)) {
    return usageError(QStringLiteral("give --format bmp, jpg or png: the output has no known picture extension"));
  }

  const edit::TConvertSettings s = settingsFor(o);
  const std::chrono::seconds timeout(o.timeout ? *o.timeout : 30);
  // The plain loader of the program with a plug-in list (the *.spi beside the program) of
  // its own for each thread; its errors say why a file cannot be read.
  const edit::TLoaderFactory loaders = [iniFile = settingsFileOf(o)] {
    auto plugins = std::make_shared<catalog::TSPluginHook>();
    plugins->List.Sandbox = decode::TSandboxSettings::FromIni(iniFile);
    plugins->List.LoadFromAppDir();
    return [plugins](const QString& path) {
      // The report names the file; the reason is the system's (ELOOP stays ELOOP).
      if (const auto f = platform::RegularFile::Open(path); !f)
        throw graphics::EFileOpen(f);
      graphics::TBitmap b;
      view::LoadPicture(path, b, plugins.get());
      return b;
    };
  };

  if (toFolder) {
    edit::TConvertHooks hooks;
    hooks.AskOverwrite = [&](const QString&) { return o.overwrite; };
    hooks.FileTimeout = timeout;
    const int jobs = o.jobs ? *o.jobs : int(std::max(1u, std::thread::hardware_concurrency()));
    const edit::TConvertRunResult run = edit::RunConversion(o.inputs, o.output, format, s, loaders, hooks, jobs);
    return finish(report(run), run.StuckWorkers > 0);
  }

  // One input to a named file: the same steps with the caller's target name.
  edit::TConvertRunResult run;
  edit::TConvertOutcome& one = run.Outcomes.emplace_back();
  one.Source = o.inputs.front();
  one.Target = o.output;
  if (!edit::IsConvertibleFile(one.Source)) {
    one.Status = edit::csSkipped;
    one.Reason = QStringLiteral("icons and cursors are not converted");
  } else if (platform::PathTaken(o.output) && !o.overwrite) {
    one.Reason = QStringLiteral("%1 already exists (use --overwrite)").arg(o.output);
  } else {
    one.Status = convertWithin(one.Source, one.Target, format, s, loaders(), timeout, one.Reason) ? edit::csConverted
                                                                                                 : edit::csFailed;
  }
  return finish(report(run), one.Reason.startsWith(QLatin1String("timed out")));
}
