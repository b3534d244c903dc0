// qivo2-rename: the numbered rename of a folder's pictures from the command line, with the
// rules of the rename dialog: the same file list (the registered picture patterns, then
// ";*.cur;*.ani"), the same names, the same two passes, and never a replaced file.
//
//   qivo2-rename [--form number|name-number|number-name] [--text TEXT] [--start N]
//                [--digits D] [--ext keep|upper|lower|.EXT] [--dry-run] FOLDER
//
// Prints one line per file that could not be renamed, and exits 0 only when every file got
// its new name (1 when some did not, 2 for a wrong command line).
#include <QCoreApplication>
#include <cstdio>
#include <optional>

#include "decode/png_graphic.h"
#include "decode/spi_host.h"
#include "files/rename_plan.h"
#include "graphics/picture_formats.h"
#include "platform/fileop.h"
#include "platform/path_bytes.h"

namespace {

const char kUsage[] =
    "usage: qivo2-rename [--form number|name-number|number-name] [--text TEXT] [--start N]\n"
    "                    [--digits D] [--ext keep|upper|lower|.EXT] [--dry-run] FOLDER\n";

int UsageError(const QString& why) {
  std::fprintf(stderr, "qivo2-rename: %s\n%s", why.toLocal8Bit().constData(), kUsage);
  return 2;
}

void PrintPath(FILE* out, const QString& path) {
  const QByteArray b = platform::PathBytes(path);  // the name's own bytes
  std::fwrite(b.constData(), 1, size_t(b.size()), out);
}

struct Options {
  files::TRenameRule rule;
  QString text, folder;
  bool dryRun = false;
};

std::optional<int> Number(const QString& s, int low, int high) {
  bool ok = false;
  const int n = s.toInt(&ok);
  if (!ok || n < low || n > high) return std::nullopt;
  return n;
}

// The picture patterns of the dialog: built-in formats and the plug-ins beside the program.
QString PictureMask() {
  graphics::RegisterBuiltinFormats();
  decode::RegisterPngFormat();
  std::unique_ptr<decode::TSPIs> spis;
  try {
    spis = std::make_unique<decode::TSPIs>();
    spis->GraphicPreview = false;
    spis->SearchOptions = decode::spsAppDir;
    spis->OnSearch = decode::AcceptInSPIOnly;
    spis->OnPictureRegister = decode::VetoBuiltinExtensions;
    spis->Loaded();
  } catch (const std::exception&) {
    // No plug-ins: the built-in formats still count.
  }
  return graphics::TPictureFormats::Instance().Mask() + QStringLiteral(";*.cur;*.ani");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // Arguments keep their own bytes: a folder or text need not be UTF-8.
  QStringList args;
  for (int i = 1; i < argc; ++i) args << platform::PathFromBytes(QByteArray(argv[i]));
  Options o;
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&]() -> std::optional<QString> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == "--dry-run") {
      o.dryRun = true;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--form" || a == "--text" || a == "--start" || a == "--digits" || a == "--ext") {
      const auto v = value();
      if (!v) return UsageError(a + " needs a value");
      if (a == "--form") {
        if (*v == "number") o.rule.Form = files::TRenameForm::rfNumber;
        else if (*v == "name-number") o.rule.Form = files::TRenameForm::rfNameNumber;
        else if (*v == "number-name") o.rule.Form = files::TRenameForm::rfNumberName;
        else return UsageError("--form is number, name-number or number-name");
      } else if (a == "--text") {
        o.text = *v;
      } else if (a == "--start") {
        const auto n = Number(*v, 0, 99999);
        if (!n) return UsageError("--start is a number from 0 to 99999");
        o.rule.Start = *n;
      } else if (a == "--digits") {
        const auto n = Number(*v, 1, 10);
        if (!n) return UsageError("--digits is a number from 1 to 10");
        o.rule.Digits = *n;
      } else {
        if (*v == "keep") o.rule.Ext = files::TExtRule::erKeep;
        else if (*v == "upper") o.rule.Ext = files::TExtRule::erUpper;
        else if (*v == "lower") o.rule.Ext = files::TExtRule::erLower;
        else {
          o.rule.Ext = files::TExtRule::erGiven;
          o.rule.GivenExt = *v;
        }
      }
    } else if (a.startsWith("--")) {
      return UsageError("unknown option " + a);
    } else if (o.folder.isEmpty()) {
      o.folder = a;
    } else {
      return UsageError("one FOLDER only");
    }
  }
  if (o.folder.isEmpty()) return UsageError("no FOLDER given");
  if (platform::KindOfPath(o.folder) != platform::PathKind::Folder) return UsageError(o.folder + " is not a folder");
  o.rule.PrevName = o.rule.LastName = o.text;
  switch (files::CheckRule(o.rule)) {
    case files::TRuleError::reNoName: return UsageError("this --form needs --text");
    case files::TRuleError::reNoExt: return UsageError("--ext needs an extension");
    case files::TRuleError::reBadName: return UsageError("names cannot hold \"/\"");
    case files::TRuleError::reNone: break;
  }

  const QStringList list = files::RenameFileList(o.folder, PictureMask());
  files::TRenameRun run(o.folder, list, o.rule);
  if (o.dryRun) {
    for (const files::TRenameItem& item : run.Items()) {
      PrintPath(stdout, item.From.mid(item.From.lastIndexOf('/') + 1));
      std::fputs(" -> ", stdout);
      PrintPath(stdout, item.To.mid(item.To.lastIndexOf('/') + 1));
      std::fputc('\n', stdout);
    }
    return 0;
  }
  run.Run();
  const auto failed = run.Failed();
  for (const files::TRenameItem& f : failed) {
    std::fputs("qivo2-rename: ", stderr);
    PrintPath(stderr, f.Now);
    std::fputs(" -> ", stderr);
    PrintPath(stderr, f.To.mid(f.To.lastIndexOf('/') + 1));
    std::fprintf(stderr, ": %s\n", platform::ErrorText(f.Error).toLocal8Bit().constData());
  }
  return failed.empty() ? 0 : 1;
}
