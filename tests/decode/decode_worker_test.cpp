// Susie plug-ins in decode workers: the same answers as in the program itself, and a
// plug-in that crashes, hangs, eats memory or reaches outside its picture costs one call,
// never the host; no worker outlives its list or its host.
#include <QDir>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "decode/spi_plugin_list.h"
#include "decode/spi_support.h"
#include "spi_test_util.h"

using namespace decode;
using namespace spitest;

namespace {

TSandboxSettings Quick() {
  TSandboxSettings s;
  s.Enabled = true;
  s.InfoTimeoutMs = 3000;
  s.PictureTimeoutMs = 1000;
  s.MemoryLimit = int64_t(1) << 30;
  return s;
}

bool Gone(pid_t pid) {
  // A worker is reaped by whoever ends it; give an orphan's new parent a moment.
  for (int i = 0; i < 250; ++i) {
    if (kill(pid, 0) != 0) return true;
    usleep(20000);
  }
  return false;
}

// A list with the raw test plug-in first and `hostile` second.
std::unique_ptr<TSPlugin> ListWith(const char* hostile, TSandboxSettings s = Quick()) {
  auto list = std::make_unique<TSPlugin>();
  list->Sandbox = s;
  EXPECT_EQ(list->AddPlugin(TestSpi("rawpic")), 0);
  if (hostile) {
    EXPECT_EQ(list->AddPlugin(TestSpi(hostile)), 1);
  }
  return list;
}

class Sandboxed : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    bad_ = WriteFile(dir_.filePath("a.bad"), "BAD!x");
    good_ = WriteFile(dir_.filePath("b.qraw"), RawPicture(3, 2));
  }
  // The good picture still decodes through the same list.
  void ExpectGoodPicture(TSPlugin& list) {
    graphics::TBitmap bm;
    ASSERT_EQ(list.GetBitmap(good_, bm), 0);
    ExpectRawPixels(bm, 3, 2);
  }
  QTemporaryDir dir_;
  QString bad_, good_;
};

}  // namespace

TEST_F(Sandboxed, SameAnswersAsInProcess) {
  TSPlugin here, there;
  here.Sandbox.Enabled = false;
  there.Sandbox = Quick();
  for (TSPlugin* list : {&here, &there}) {
    ASSERT_EQ(list->AddPlugin(QIVO2_IFGIF_SPI), 0);
    ASSERT_EQ(list->AddPlugin(QIVO2_IFTGA_SPI), 1);
    ASSERT_EQ(list->AddPlugin(TestSpi("rawpic")), 2);
  }
  for (int i = 0; i < here.Count(); ++i) {
    EXPECT_EQ(here.Item(i).APIVersion, there.Item(i).APIVersion);
    EXPECT_EQ(here.Item(i).PluginName, there.Item(i).PluginName);
    EXPECT_EQ(here.Item(i).Filters, there.Item(i).Filters);
    EXPECT_EQ(here.Item(i).Extensions, there.Item(i).Extensions);
  }
  QStringList files;
  for (const QString& name : QDir(DataFile("")).entryList(QDir::Files)) files << DataFile("").append(name);
  files << good_ << WriteFile(dir_.filePath("short.qraw"), RawPicture(3, 2).left(9))
        << WriteFile(dir_.filePath("empty.gif"), QByteArray()) << dir_.filePath("missing.tga") << dir_.path();
  for (const bool preview : {false, true}) {
    here.Preview = there.Preview = preview;
    for (const QString& f : files) {
      SCOPED_TRACE(f.toStdString());
      EXPECT_EQ(here.IndexOfSupporting(f), there.IndexOfSupporting(f));
      graphics::TBitmap a, b;
      EXPECT_EQ(here.GetBitmap(f, a), there.GetBitmap(f, b));
      EXPECT_TRUE(a == b);
    }
  }
  EXPECT_TRUE(there.Messages().isEmpty());
}

TEST_F(Sandboxed, HostilePluginCostsOneCall) {
  struct Case {
    const char* plugin;
    int result;  // of GetBitmap on the bad picture
  };
  const Case cases[] = {
      {"crash_supported", kSpiNoSupport},  // IsSupported died: no plug-in takes the file
      {"crash_info", 0},                   // the list never asks GetPictureInfo
      {"crash_picture", kSpiCrashed},
      {"overrun", kSpiCrashed},
      {"spin", kSpiHung},
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
      {"bomb", kSpiOutOfMemory},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin);
    auto list = ListWith(c.plugin);
    ExpectGoodPicture(*list);
    const pid_t first = list->WorkerPid();
    ASSERT_GT(first, 0);
    graphics::TBitmap bm;
    EXPECT_EQ(list->GetBitmap(bad_, bm), c.result);
    if (c.result != 0) {
      EXPECT_TRUE(bm.Empty());
      EXPECT_TRUE(Gone(first)) << "the failed worker was not ended";
      EXPECT_FALSE(SpiFaultText(c.result).isEmpty() && c.result != kSpiNoSupport);
    }
    // A new worker takes over with the same plug-ins.
    ExpectGoodPicture(*list);
    const pid_t last = list->WorkerPid();
    list.reset();
    EXPECT_TRUE(Gone(last)) << "a worker outlived its list";
  }
}

TEST_F(Sandboxed, HangIsCutAtTheLimit) {
  auto list = ListWith("spin");
  graphics::TBitmap bm;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(list->GetBitmap(bad_, bm), kSpiHung);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(900));
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_EQ(SpiFaultText(kSpiHung), QStringLiteral("プラグインが応答しません"));
  EXPECT_EQ(SpiFaultText(kSpiCrashed), QStringLiteral("プラグインが異常終了しました"));
}

TEST_F(Sandboxed, SnoopingIsRefusedAndReported) {
  auto list = ListWith("snoop");
  graphics::TBitmap bm;
  ASSERT_EQ(list->GetBitmap(bad_, bm), 0);  // its own file it may read
  ASSERT_EQ(bm.Width(), 1);
  EXPECT_EQ(bm.PixelColor(0, 0).blue, 'x');
  ASSERT_EQ(list->Messages().size(), 1);
  const QString m = list->Messages()[0];
  EXPECT_TRUE(m.contains("snoop.spi")) << m.toStdString();
  EXPECT_TRUE(m.contains("open /etc/passwd")) << m.toStdString();
  EXPECT_TRUE(m.contains("socket")) << m.toStdString();
}

TEST_F(Sandboxed, ThreeFailuresInARowSwitchThePluginOff) {
  auto list = ListWith("crash_picture");
  graphics::TBitmap bm;
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list->GetBitmap(bad_, bm), kSpiCrashed);
  EXPECT_TRUE(list->Item(1).SwitchedOff());
  ASSERT_EQ(list->Messages().size(), 1);
  EXPECT_TRUE(list->Messages()[0].contains("crash_picture.spi"));
  EXPECT_EQ(list->GetBitmap(bad_, bm), kSpiNoSupport);
  EXPECT_FALSE(list->Item(0).SwitchedOff());
  ExpectGoodPicture(*list);
}

TEST_F(Sandboxed, NoWorkerProgramMeansNoPlugins) {
  TSandboxSettings s = Quick();
  s.WorkerPath = dir_.filePath("no-such-worker");
  TSPlugin list;
  list.Sandbox = s;
  EXPECT_EQ(list.AddPlugin(TestSpi("rawpic")), 0);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(Sandboxed, WorkerEndsWithItsHost) {
  int pipefd[2];
  ASSERT_EQ(pipe(pipefd), 0);
  const pid_t host = fork();
  ASSERT_GE(host, 0);
  if (host == 0) {
    close(pipefd[0]);
    TSandboxSettings s = Quick();
    s.PictureTimeoutMs = 60000;
    auto list = ListWith("spin", s);
    graphics::TBitmap bm;
    list->GetBitmap(good_, bm);
    const pid_t worker = list->WorkerPid();
    if (write(pipefd[1], &worker, sizeof worker) != sizeof worker) _exit(1);
    list->GetBitmap(bad_, bm);  // never comes back before the kill
    _exit(0);
  }
  close(pipefd[1]);
  pid_t worker = 0;
  ASSERT_EQ(read(pipefd[0], &worker, sizeof worker), ssize_t(sizeof worker));
  close(pipefd[0]);
  usleep(200000);  // inside the endless loop by now
  kill(host, SIGKILL);
  waitpid(host, nullptr, 0);
  EXPECT_TRUE(Gone(worker));
}
