#pragma once
// The host's end of one decode worker: a qivo2-decode process that loads the Susie
// plug-ins of one list and makes their calls, so that a plug-in that crashes, hangs or eats
// memory takes only the worker with it. The host passes an open descriptor of the file
// (never a path to open) and gets the plug-in's result back, the pixels in a sealed memfd.
//
// One worker belongs to one plug-in list and so to one thread. It is started when first
// needed, reused for every call, and killed and started again (loading the same plug-ins)
// after a call that went over its time limit or during which it died. The destructor
// kills it: no worker outlives its list; and a worker whose host is gone sees its socket
// hang up and ends.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <span>
#include <sys/types.h>
#include <vector>

#include "graphics/bitmap.h"
#include "plugins/spi.h"

namespace decode {

// [Main] Sandbox and its limits.
struct TSandboxSettings {
  bool Enabled = false;
  int InfoTimeoutMs = 5000;       // loading a plug-in, IsSupported
  int PictureTimeoutMs = 30000;   // GetPicture / GetPreview
  int64_t MemoryLimit = int64_t(2) << 30;  // RLIMIT_AS of the worker, bytes (0: none)
  QString WorkerPath;             // empty: qivo2-decode beside the executable

  // The one place the settings file's [Main] Sandbox, SandboxInfoTime, SandboxPictureTime
  // (milliseconds) and SandboxMemory (MiB) are read.
  // The program's settings file; a tool names QIVO2's.
  static TSandboxSettings FromIni();
  static TSandboxSettings FromIni(const QString& settingsFile);
  QString Worker() const;
};

// Why a call gave no answer of the plug-in's.
enum class TWorkerFault { None, Hung, Crashed, OutOfMemory, NoWorker };

struct TPluginAnswer {
  int32_t Status = 0;  // 0 loaded; wire::kLoadOpenError; or ESPILoadError's code
  int Slot = -1;
  QString APIVersion;
  QString PluginName;
  QStringList Filters;
  QStringList Descriptions;  // GetPluginInfo's text after each filter
  uint32_t Entries = 0;      // bit n: the library has kSPIEntryNames[n]
};

// What a call decodes: the open file (the plug-in opens its name), or with Memory a
// descriptor of the bytes the plug-in gets as memory; from Offset on.
struct TWorkerSource {
  int Fd = -1;
  bool Memory = false;
  int64_t Offset = 0;
};
// The plug-in's BITMAPINFO and bits as it made them; false when they are no picture.
using TDibSink = std::function<bool(std::span<const uint8_t> info, std::span<const uint8_t> bits)>;

class TDecodeWorker {
 public:
  explicit TDecodeWorker(TSandboxSettings settings);
  ~TDecodeWorker();
  TDecodeWorker(const TDecodeWorker&) = delete;
  TDecodeWorker& operator=(const TDecodeWorker&) = delete;

  // Loads a plug-in in the worker; false (with Fault()) when the worker failed meanwhile.
  // A loaded plug-in keeps its slot across restarts of the worker.
  bool Load(const QString& path, TPluginAnswer& answer);
  // IsSupported of the plug-in in `slot` with the file's name, its 2,176-byte head and the
  // open file (for a plug-in that opens the name). False when the worker failed.
  bool IsSupported(int slot, const QByteArray& name, int fd, const uint8_t* head, int& result);
  // GetPreview (preview) then GetPicture, as TSpi::LoadBitmap makes them; result is the
  // plug-in's code, and on 0 `bits` holds the checked picture (SPI_OUT_OF_ORDER when the
  // plug-in's bitmap fails the checks). False when the worker failed.
  bool GetPicture(int slot, const QByteArray& name, int fd, bool preview, graphics::TBitmap& bits, int& result);
  // The same for any source, the plug-in's own DIB handed to `dib` (read-only, for the
  // call's length): a false from it makes the result SPI_OUT_OF_ORDER.
  bool GetDib(int slot, const QByteArray& name, const TWorkerSource& source, bool preview, const TDibSink& dib,
              int& result);
  // GetPictureInfo; text is the plug-in's hInfo text (empty when none).
  bool GetPictureInfo(int slot, const QByteArray& name, const TWorkerSource& source, SpiPictureInfo& info,
                      QByteArray& text, int& result);

  TWorkerFault Fault() const { return fault_; }
  // What the plug-in of the last call tried and was refused (e.g. "open /etc/passwd",
  // "socket"); empty when nothing.
  const QStringList& Denied() const { return denied_; }
  // The running worker's process id, 0 when none runs (tests).
  pid_t Pid() const { return pid_; }
  const TSandboxSettings& Settings() const { return settings_; }

 private:
  bool ensureRunning();
  bool start();
  void stop();
  // Sends and waits for the answer within timeoutMs; on failure the worker is gone and
  // fault_ says why.
  bool call(const QByteArray& request, int fd, int timeoutMs, QByteArray& reply, int* replyFd);

  TSandboxSettings settings_;
  pid_t pid_ = 0;
  int socket_ = -1;
  TWorkerFault fault_ = TWorkerFault::None;
  bool used_ = false;  // the running worker has made a plug-in call (and shut its doors)
  QStringList denied_;
  // Plug-ins loaded so far, by slot: loaded again into a new worker.
  std::vector<QString> loaded_;
};

// The worker's exit status when an allocation failed past its memory limit.
inline constexpr int kWorkerOutOfMemoryExit = 86;

}  // namespace decode
