// The qivo2-convert tool run from outside: exit codes, stderr lines and written sizes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/byte_names.h"
#include "graphics/bmp_graphic.h"
#include "graphics/jpeg_image.h"
#include "tests/support/decode_workers.h"
#include "tests/support/huge_files.h"

using graphics::TBitmap;

namespace {

struct TRun {
  int exitCode = -1;
  QStringList errorLines;
};

class ConvertTool : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "edit_tests";
      static char* argv[] = {name, nullptr};
      new QCoreApplication(argc, argv);
    }
  }
  void SetUp() override {
    ASSERT_TRUE(home.isValid() && work.isValid());
    TBitmap b(40, 30);
    for (int y = 0; y < 30; ++y) b.ScanLine(y)[0] = uint8_t(y * 8);
    graphics::TBMPGraphic(b).SaveToFile(path("pic.bmp"));
    QFile broken(path("broken.bmp"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BM\x10\0\0\0", 6);
  }
  QString path(const QString& name) const { return work.filePath(name); }

  TRun run(const QStringList& args, pid_t* pid = nullptr) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QIVO2_HOME", home.path());  // a private settings file
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(work.path());
    p.start(QStringLiteral(QIVO2_CONVERT_TOOL), args);
    if (pid) *pid = pid_t(p.processId());
    EXPECT_TRUE(p.waitForFinished(60000));
    TRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    if (!err.isEmpty()) r.errorLines = err.split('\n');
    return r;
  }

  // A command line given to the shell, so names reach the tool as bytes (QProcess would
  // encode its arguments as UTF-8); $TOOL is the tool.
  TRun runShell(const QString& script) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QIVO2_HOME", home.path());
    env.insert("TOOL", QStringLiteral(QIVO2_CONVERT_TOOL));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(work.path());
    p.start("/bin/sh", {"-c", script});
    EXPECT_TRUE(p.waitForFinished(60000));
    TRun r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    const QString err = QString::fromUtf8(p.readAllStandardError()).trimmed();
    if (!err.isEmpty()) r.errorLines = err.split('\n');
    return r;
  }

  QSize bmpSize(const QString& name) const {
    graphics::TBMPGraphic g;
    g.LoadFromFile(path(name));
    return {g.Width(), g.Height()};
  }

  QTemporaryDir home, work;
};

}  // namespace

TEST_F(ConvertTool, SizeModesGiveTheTargetSizes) {
  struct Case {
    const char* mode;
    const char* size;
    QSize want;
  };
  const Case cases[] = {
      {"0", "10", {40, 30}}, {"1", "50", {20, 15}}, {"2", "80", {80, 60}}, {"3", "15", {20, 15}}, {"4", "20", {20, 15}},
  };
  QDir(work.path()).mkdir("out");
  for (const auto& c : cases) {
    const TRun r = run({"pic.bmp", "--format", "bmp", "--size-mode", c.mode, "--size", c.size, "--overwrite", "-o", "out"});
    EXPECT_EQ(r.exitCode, 0) << c.mode << " " << r.errorLines.join('|').toStdString();
    EXPECT_EQ(bmpSize("out/pic.bmp"), c.want) << "mode " << c.mode;
  }
}

TEST_F(ConvertTool, EachFailedInputGetsOneLineAndExitCodeOne) {
  QDir(work.path()).mkdir("out");
  QFile::copy(path("pic.bmp"), path("cursor.cur"));
  const TRun r = run({"broken.bmp", "cursor.cur", "pic.bmp", "missing.bmp", "--format", "jpg", "-o", "out"});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.errorLines.size(), 3) << r.errorLines.join('|').toStdString();
  EXPECT_TRUE(r.errorLines[0].contains("broken.bmp") && r.errorLines[0].contains("Invalid BMP file"));
  EXPECT_TRUE(r.errorLines[1].contains("cursor.cur") && r.errorLines[1].contains("cursors"));
  EXPECT_TRUE(r.errorLines[2].contains("missing.bmp") && r.errorLines[2].contains("Cannot open"));
  const auto info = graphics::ReadJpegInfoFromFile(path("out/pic.jpg"));
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->Width, 40);
}

TEST_F(ConvertTool, HostilePluginCostsItsPictureOnly) {
  // The sandbox with short limits; plug-ins from the program folder.
  QFile ini(home.filePath("qivo2.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[Main]\nSandbox=1\nSandboxPictureTime=1000\n");
  ini.close();
  QFile bad(path("c.bad"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("BAD!x");
  bad.close();
  QDir(work.path()).mkdir("out");
  for (const char* plugin : {"crash_picture", "spin", "overrun"}) {
    SCOPED_TRACE(plugin);
    QFile::remove(home.filePath("hostile.spi"));
    QFile::remove(path("out/pic.jpg"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QIVO2_TEST_SPI_DIR "/%1.spi").arg(plugin), home.filePath("hostile.spi")));
    pid_t pid = 0;
    const TRun r = run({"c.bad", "pic.bmp", "--format", "jpg", "-o", "out"}, &pid);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.errorLines.size(), 1) << r.errorLines.join('|').toStdString();
    EXPECT_TRUE(r.errorLines[0].contains("c.bad")) << r.errorLines[0].toStdString();
    EXPECT_TRUE(r.errorLines[0].contains(QStringLiteral("プラグイン"))) << r.errorLines[0].toStdString();
    EXPECT_TRUE(QFileInfo(path("out/pic.jpg")).isFile());
    EXPECT_FALSE(QFileInfo(path("out/c.jpg")).exists());
    EXPECT_EQ(testsupport::WorkersOf(pid), 0);
  }
}

TEST_F(ConvertTool, SpecialFilesFailWithTheirReason) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(path("fifo.jpg")).constData(), 0644), 0);
  ASSERT_EQ(::symlink("/nonexistent/qivo2-missing", QFile::encodeName(path("dangling.bmp")).constData()), 0);
  QDir(work.path()).mkdir("out");
  const TRun r = run({"fifo.jpg", "dangling.bmp", "--format", "bmp", "-o", "out"});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.errorLines.size(), 2) << r.errorLines.join('|').toStdString();
  EXPECT_TRUE(r.errorLines[0].contains("fifo.jpg") && r.errorLines[0].contains("not a regular file"))
      << r.errorLines[0].toStdString();
  EXPECT_TRUE(r.errorLines[1].contains("dangling.bmp") && r.errorLines[1].contains(qt_error_string(ENOENT)) &&
              r.errorLines[1].count("dangling.bmp") == 1)
      << r.errorLines[1].toStdString();
}

TEST_F(ConvertTool, UndecodableInputsSayWhy) {
  QDir(work.path()).mkdir("out");
  QFile::copy(path("pic.bmp"), path("notes.xyz"));
  QFile jpeg(path("broken.jpg"));
  ASSERT_TRUE(jpeg.open(QIODevice::WriteOnly));
  jpeg.write("\xFF\xD8 broken");
  jpeg.close();
  struct Case {
    const char* input;
    const char* reason;
  };
  const Case cases[] = {
      {"notes.xyz", "not a picture format"},
      {"broken.jpg", "JPEG"},
  };
  for (const Case& c : cases) {
    const TRun r = run({c.input, "--format", "bmp", "-o", "out"});
    EXPECT_EQ(r.exitCode, 1) << c.input;
    ASSERT_EQ(r.errorLines.size(), 1) << r.errorLines.join('|').toStdString();
    EXPECT_TRUE(r.errorLines[0].contains(c.input) && r.errorLines[0].contains(c.reason))
        << r.errorLines[0].toStdString();
  }
}

// Each run is its own process, so its peak memory is that input's alone.
TEST_F(ConvertTool, HugeNonPicturesAreRefusedWithoutReadingThem) {
  QDir(work.path()).mkdir("out");
  qputenv("QIVO2_HOME", home.path().toUtf8());
  const struct {
    QString input;
    const char* reason;
  } cases[] = {
      {hugefiles::Sparse(path("something.png")), "Not PNG Format"},
      {hugefiles::Sparse(path("huge.bmp")), "BM"},
      {hugefiles::Sparse(path("huge.jpg")), "JPEG"},
      {hugefiles::Sparse(path("huge.tga")), "not a picture format"},
      {hugefiles::LinkToZero(path("z.bmp")), "not a regular file"},
      {hugefiles::LinkToZero(path("z.png")), "not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input.toStdString());
    const auto r = hugefiles::Run(QStringLiteral(QIVO2_CONVERT_TOOL), {c.input, "--format", "bmp", "-o", path("out")},
                                  path("err.txt"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("not converted") && r.err.contains(c.reason)) << r.err.toStdString();
    EXPECT_LT(r.peakKb, hugefiles::kMaxPeakGrowthKb);
    QFile::remove(c.input);
  }
}

TEST_F(ConvertTool, ExistingTargetNeedsOverwrite) {
  EXPECT_EQ(run({"pic.bmp", "-o", "one.jpg"}).exitCode, 0);  // format from the extension
  const TRun again = run({"pic.bmp", "-o", "one.jpg"});
  EXPECT_EQ(again.exitCode, 1);
  ASSERT_EQ(again.errorLines.size(), 1);
  EXPECT_TRUE(again.errorLines[0].contains("already exists"));
  EXPECT_EQ(run({"pic.bmp", "-o", "one.jpg", "--overwrite", "--quality", "10"}).exitCode, 0);

  // In a folder run the refusal stops the run: later inputs are reported, not converted.
  QDir(work.path()).mkdir("out");
  QFile::copy(path("pic.bmp"), path("out/pic.bmp"));
  QFile::copy(path("pic.bmp"), path("other.bmp"));
  const TRun stopped = run({"pic.bmp", "other.bmp", "--format", "bmp", "-o", "out"});
  EXPECT_EQ(stopped.exitCode, 1);
  EXPECT_EQ(stopped.errorLines.size(), 2);
  EXPECT_FALSE(QFile::exists(path("out/other.bmp")));
}

// a/x.bmp and b/x.bmp into one folder: the second target is the run's own first output.
TEST_F(ConvertTool, SecondInputOfOneNameNeverReplacesSilently) {
  QDir(work.path()).mkpath("a");
  QDir(work.path()).mkpath("b");
  QFile::copy(path("pic.bmp"), path("a/x.bmp"));
  TBitmap small(10, 5);
  graphics::TBMPGraphic(small).SaveToFile(path("b/x.bmp"));
  struct Case {
    QStringList extra;
    int exitCode;
    QSize kept;
    const char* line;
  } cases[] = {
      {{}, 1, {40, 30}, "earlier in this run; the run stopped"},
      {{"--overwrite"}, 0, {10, 5}, "replaced"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exitCode);
    QDir(path("out")).removeRecursively();
    QDir(work.path()).mkdir("out");
    const TRun r = run(QStringList{"a/x.bmp", "b/x.bmp", "--format", "bmp", "-o", "out"} + c.extra);
    EXPECT_EQ(r.exitCode, c.exitCode);
    ASSERT_EQ(r.errorLines.size(), 1) << r.errorLines.join('|').toStdString();
    EXPECT_TRUE(r.errorLines[0].contains("b/x.bmp") && r.errorLines[0].contains("a/x.bmp") &&
                r.errorLines[0].contains(c.line))
        << r.errorLines[0].toStdString();
    EXPECT_EQ(bmpSize("out/x.bmp"), c.kept);
  }
}

TEST_F(ConvertTool, WithoutOptionsTheSettingsFileDecides) {
  QFile ini(home.filePath("qivo2.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[Convert]\nItem=1\nSize1=50\n[Color]\nBit=1\n");
  ini.close();
  QDir(work.path()).mkdir("out");
  ASSERT_EQ(run({"pic.bmp", "--format", "bmp", "-o", "out"}).exitCode, 0);
  graphics::TBMPGraphic g;
  g.LoadFromFile(path("out/pic.bmp"));
  EXPECT_EQ(QSize(g.Width(), g.Height()), QSize(20, 15));
  EXPECT_EQ(g.Bitmap().PixelFormat(), graphics::TPixelFormat::pf8bit);

  // An option overrides its key only.
  ASSERT_EQ(run({"pic.bmp", "--format", "bmp", "--colors256=0", "--overwrite", "-o", "out"}).exitCode, 0);
  g.LoadFromFile(path("out/pic.bmp"));
  EXPECT_EQ(QSize(g.Width(), g.Height()), QSize(20, 15));
  EXPECT_EQ(g.Bitmap().PixelFormat(), graphics::TPixelFormat::pf24bit);
}

TEST_F(ConvertTool, PngOutputAndInput) {
  ASSERT_EQ(run({"pic.bmp", "--size-mode", "1", "--size", "200", "--interlace", "-o", "pic.png"}).exitCode, 0);
  QDir(work.path()).mkdir("out");
  const TRun back = run({"pic.png", "--format", "bmp", "-o", "out"});
  EXPECT_EQ(back.exitCode, 0) << back.errorLines.join('|').toStdString();
  EXPECT_EQ(bmpSize("out/pic.bmp"), QSize(80, 60));
}

TEST_F(ConvertTool, PluginFormatsLoadThroughTheShippedPlugins) {
#ifndef QIVO2_HAVE_TGA_PLUGIN
  GTEST_SKIP() << "the TGA plug-in is not built";
#endif
  const QString tga = QStringLiteral(QIVO2_TEST_DATA "/spi/pattern.tga");
  const TRun r = run({tga, "-o", "from_tga.bmp"});
  EXPECT_EQ(r.exitCode, 0) << r.errorLines.join('|').toStdString();
  EXPECT_FALSE(bmpSize("from_tga.bmp").isEmpty());

  // A file that ends inside the picture is not converted into a partly black one.
  const TRun cut = run({QStringLiteral(QIVO2_TEST_DATA "/spi/truncated.tga"), "-o", "from_cut.bmp"});
  EXPECT_EQ(cut.exitCode, 1);
  EXPECT_EQ(cut.errorLines.size(), 1) << cut.errorLines.join('|').toStdString();
  EXPECT_FALSE(QFile::exists(path("from_cut.bmp")));
}

TEST_F(ConvertTool, BadCommandLinesExitWithTwo) {
  QDir(work.path()).mkdir("out");
  const QStringList cases[] = {
      {"pic.bmp"},                                          // no output
      {"-o", "out", "--format", "bmp"},                     // no input
      {"pic.bmp", "--format", "gif", "-o", "out"},          // unknown format
      {"pic.bmp", "-o", "out"},                             // folder without format
      {"pic.bmp", "--format", "bmp", "-o", "nowhere/"},     // missing folder
      {"pic.bmp", "broken.bmp", "--format", "bmp", "-o", "x.bmp"},  // several inputs, one file
      {"pic.bmp", "--size-mode", "5", "--format", "bmp", "-o", "out"},
      {"pic.bmp", "--quality", "0", "-o", "x.jpg"},
      {"pic.bmp", "--size", "10", "-o", "x.jpg"},           // size without mode
      {"pic.bmp", "--bogus", "-o", "x.jpg"},
  };
  for (const auto& args : cases) {
    const TRun r = run(args);
    EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
    EXPECT_FALSE(r.errorLines.isEmpty());
  }
  EXPECT_EQ(run({"--help"}).exitCode, 0);
}

TEST_F(ConvertTool, NamesThatAreNotUtf8AreConvertedUnderTheirOwnBytes) {
  const ByteNameCleanup cleanup(work.path());
  QDir(work.path()).mkdir("out");
  // Each input has its own width, so the output of a look-alike would show.
  for (size_t i = 0; i < ByteNames().size(); ++i) {
    graphics::TJPEGImage j;
    j.Assign(TBitmap(10 + int(i), 8));
    ASSERT_TRUE(WriteBytePath(BytePath(work.path(), ByteNames()[i]), j.SaveToMemory()));
  }
  const TRun r = runShell(R"("$TOOL" caf?.jpg ??.jpg --format bmp -o out)");
  EXPECT_EQ(r.exitCode, 0) << r.errorLines.join('|').toStdString();
  for (size_t i = 0; i < ByteNames().size(); ++i) {
    QByteArray target = ByteNames()[i];
    target.replace(".jpg", ".bmp");
    SCOPED_TRACE(target.toHex().toStdString());
    graphics::TBMPGraphic g;
    ASSERT_NO_THROW(g.LoadFromFile(BytePath(path("out"), target)));
    EXPECT_EQ(g.Width(), 10 + int(i));
  }

  // One input to a named output keeps the given bytes too.
  const TRun named = runShell(R"sh("$TOOL" ??.jpg -o "$(printf 'out/\377\375.png')")sh");
  EXPECT_EQ(named.exitCode, 0) << named.errorLines.join('|').toStdString();
  EXPECT_TRUE(BytePathExists(BytePath(path("out"), "\xff\xfd.png")));

  // A failure names the input as the screen shows it.
  ASSERT_TRUE(WriteBytePath(BytePath(work.path(), "bad\xe9.bmp"), "BM"));
  const TRun bad = runShell(R"("$TOOL" bad?.bmp --format png -o out)");
  EXPECT_EQ(bad.exitCode, 1);
  ASSERT_EQ(bad.errorLines.size(), 1);
  EXPECT_TRUE(bad.errorLines[0].contains(QString::fromUtf8("bad\xef\xbf\xbd.bmp"))) << bad.errorLines[0].toStdString();
}

// Temporary names take nothing from the target's: the longest names a folder takes convert.
TEST_F(ConvertTool, LongestTargetNamesAreWritten) {
  QDir(work.path()).mkdir("out");
  for (const int size : {250, 255}) {
    SCOPED_TRACE(size);
    const QString stem(size - 4, QLatin1Char('l'));
    ASSERT_TRUE(QFile::copy(path("pic.bmp"), path(stem + ".bmp")));
    const TRun r = run({stem + ".bmp", "--format", "jpg", "-o", "out"});
    EXPECT_EQ(r.exitCode, 0) << r.errorLines.join('|').toStdString();
    const auto info = graphics::ReadJpegInfoFromFile(path("out/" + stem + ".jpg"));
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->Width, 40);
    const TRun named = run({"pic.bmp", "-o", stem.left(size - 8) + "x.png"});
    EXPECT_EQ(named.exitCode, 0) << named.errorLines.join('|').toStdString();
    EXPECT_TRUE(QFile::exists(path(stem.left(size - 8) + "x.png")));
  }
}

// A run killed while it writes leaves its temporary file; the next run into that folder
// removes it.
TEST_F(ConvertTool, TemporaryFilesOfAKilledRunAreRemovedByTheNext) {
  QDir(work.path()).mkdir("out");
  // A 6000 x 6000 BMP of zeros, written sparse: a target of 108 MB takes a while to write.
  const int side = 6000;
  const uint32_t dataSize = uint32_t(side) * side * 3;
  QByteArray head(54, '\0');
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) head[at + i] = char(v >> (8 * i));
  };
  head[0] = 'B';
  head[1] = 'M';
  put32(2, 54 + dataSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, side);
  put32(22, side);
  head[26] = 1;
  head[28] = 24;
  put32(34, dataSize);
  QFile big(path("big.bmp"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  big.write(head);
  ASSERT_TRUE(big.resize(54 + qint64(dataSize)));
  big.close();

  auto temporaries = [&] { return QDir(path("out")).entryList({".*"}, QDir::Files | QDir::Hidden); };
  bool killed = false;
  for (int attempt = 0; attempt < 3 && !killed; ++attempt) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QIVO2_HOME", home.path());
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(work.path());
    p.start(QStringLiteral(QIVO2_CONVERT_TOOL), {"big.bmp", "--format", "bmp", "--overwrite", "-o", "out"});
    ASSERT_TRUE(p.waitForStarted());
    while (p.state() != QProcess::NotRunning) {
      if (!temporaries().isEmpty()) {
        ::kill(pid_t(p.processId()), SIGKILL);
        killed = true;
        break;
      }
      p.waitForFinished(1);
    }
    p.waitForFinished(60000);
  }
  if (!killed) GTEST_SKIP() << "every run finished before its temporary file was seen";
  ASSERT_EQ(temporaries().size(), 1);
  QFile::remove(path("out/big.bmp"));  // an earlier attempt that ran to its end

  const TRun next = run({"pic.bmp", "--format", "bmp", "-o", "out"});
  EXPECT_EQ(next.exitCode, 0) << next.errorLines.join('|').toStdString();
  EXPECT_EQ(QDir(path("out")).entryList(QDir::Files | QDir::Hidden), QStringList{"pic.bmp"});
}
