// Susie plug-ins in decode workers: the same answers as in the program itself, and a
// plug-in that crashes, hangs, eats memory or reaches outside its picture costs one call,
// never the host; no worker outlives its list or its host.
#include <QDir>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <QBuffer>

#include "decode/spi_graphic.h"
#include "decode/spi_host.h"
#include "decode/spi_plugin_list.h"
#include "graphics/picture_formats.h"
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

// The plug-in manager's path (TSPIs, TSPIGraphic) through its own worker.
namespace {

class SandboxedManager : public Sandboxed {
 protected:
  void SetUp() override {
    Sandboxed::SetUp();
    graphics::TPictureFormats::Instance().ResetForTesting();
  }
  void TearDown() override { graphics::TPictureFormats::Instance().ResetForTesting(); }
  // A manager with the raw test plug-in and `hostile` (when given) from a folder of their own.
  std::unique_ptr<TSPIs> ManagerWith(const char* hostile) {
    const QString folder = dir_.filePath("spi");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    CopyTo(TestSpi("rawpic"), folder + "/rawpic.spi");
    if (hostile) CopyTo(TestSpi(hostile), folder + "/" + hostile + ".spi");
    auto spis = std::make_unique<TSPIs>();
    spis->Sandbox = Quick();
    SetUpSPIs1(*spis);
    spis->SearchPlugins(folder + "/*.spi");
    EXPECT_EQ(spis->Count(), hostile ? 2 : 1);
    return spis;
  }
  void ExpectGoodGraphic() {
    TSPIGraphic g;
    g.LoadFromFile(good_);
    ExpectRawPixels(g.Bitmap(), 3, 2);
  }
};

}  // namespace

TEST_F(SandboxedManager, SameAnswersAsInProcess) {
  auto spis = ManagerWith(nullptr);
  ASSERT_TRUE(spis->Item(0)->Sandboxed());
  EXPECT_EQ(spis->Item(0)->Entry(seGetPicture), nullptr);  // nothing of the library here
  EXPECT_TRUE(spis->Item(0)->Has(seGetPicture));
  EXPECT_FALSE(spis->Item(0)->Has(seGetFile));
  EXPECT_EQ(spis->Item(0)->Descriptions().size(), spis->Item(0)->Filters().size());
  EXPECT_GT(spis->WorkerPid(), 0);

  TSPIGraphic g;
  g.LoadFromFile(good_);
  EXPECT_EQ(g.Width(), 3);
  EXPECT_EQ(g.Height(), 2);
  ExpectRawPixels(g.Bitmap(), 3, 2);
  QBuffer out;
  out.open(QIODevice::WriteOnly);
  g.SaveToStream(out);
  EXPECT_EQ(out.data().size(), 14 + 40 + 2 * 12);

  // A MacBinary header, from a file and from memory.
  const QByteArray mac = QByteArray(128, 'M') + RawPicture(2, 2);
  const QString file = WriteFile(dir_.filePath("mac.qraw"), mac);
  TSPIGraphic fromFile;
  fromFile.LoadFromFile(file);
  ExpectRawPixels(fromFile.Bitmap(), 2, 2);
  QBuffer memory;
  memory.setData(mac);
  memory.open(QIODevice::ReadOnly);
  TSPIGraphic fromMemory;
  fromMemory.LoadFromStreamWithName(memory, "mac.qraw");
  ExpectRawPixels(fromMemory.Bitmap(), 2, 2);
  spis->MacBinary = false;
  TSPIGraphic off;
  EXPECT_THROW(off.LoadFromFile(file), graphics::EInvalidGraphic);
  EXPECT_TRUE(spis->Messages().isEmpty());

  const pid_t worker = spis->WorkerPid();
  spis.reset();
  EXPECT_TRUE(Gone(worker)) << "a worker outlived its manager";
}

TEST_F(SandboxedManager, HostilePluginCostsItsPictureOnly) {
  const struct {
    const char* plugin;
    const char* reason;  // of the bad picture's failure
  } cases[] = {
      {"crash_supported", "Susie Plugins could not decode"},
      {"crash_info", "プラグインが異常終了しました"},
      {"crash_picture", "プラグインが異常終了しました"},
      {"overrun", "プラグインが異常終了しました"},
      {"spin", "プラグインが応答しません"},
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
      {"bomb", "プラグインがメモリの上限を超えました"},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plugin);
    auto spis = ManagerWith(c.plugin);
    ExpectGoodGraphic();
    TSPIGraphic bad;
    try {
      bad.LoadFromFile(bad_);
      ADD_FAILURE() << "decoded";
    } catch (const graphics::EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), QString::fromUtf8(c.reason));
    }
    ExpectGoodGraphic();  // a new worker with the same plug-ins
    const pid_t last = spis->WorkerPid();
    spis.reset();
    EXPECT_TRUE(Gone(last)) << "a worker outlived its manager";
  }
}

TEST_F(SandboxedManager, SnoopingAndSwitchingOffAreReported) {
  {
    auto spis = ManagerWith("snoop");
    TSPIGraphic g;
    g.LoadFromFile(bad_);  // its own file it may read
    EXPECT_EQ(g.Bitmap().PixelColor(0, 0).blue, 'x');
    const QString m = spis->Messages().join('\n');
    EXPECT_TRUE(m.contains("snoop.spi") && m.contains("open /etc/passwd") && m.contains("socket")) << m.toStdString();
  }
  auto spis = ManagerWith("crash_picture");
  for (int i = 0; i < 3; ++i) {
    TSPIGraphic g;
    EXPECT_THROW(g.LoadFromFile(bad_), graphics::EInvalidGraphic);
  }
  ASSERT_EQ(spis->Messages().size(), 1);
  EXPECT_TRUE(spis->Messages()[0].contains("crash_picture.spi"));
  EXPECT_TRUE(spis->Item(0)->SwitchedOff() || spis->Item(1)->SwitchedOff());
  TSPIGraphic g;
  try {
    g.LoadFromFile(bad_);
    ADD_FAILURE() << "decoded";
  } catch (const graphics::EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("プラグインは停止されています"));
  }
  ExpectGoodGraphic();
}
