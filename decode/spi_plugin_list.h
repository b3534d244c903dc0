#pragma once
// The catalogue's own plug-in list: picture import plug-ins loaded from the program's
// folder, asked for thumbnails and for every plug-in format the main window's plain
// picture loader opens. Independent of the manager TSPIs (each dlopens its own reference).
//
// Plug-ins need not be re-entrant and GetBitmap writes each plug-in's Preview, so a list
// is called by one thread only: the catalogue's workers have one, the user-interface thread
// another. A list is filled once at start and not changed afterwards.
//
// With Sandbox.Enabled (the settings' [Main] Sandbox) a list loads its plug-ins into a
// decode worker of its own and makes every plug-in call there (decode/decode_worker.h): a
// plug-in that crashes, hangs or eats memory costs that call, with one of the results
// below, never the program. A plug-in that fails so three times in a row is switched off
// for the list's life, and Messages() names it.
#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "decode/decode_worker.h"
#include "decode/spi_errors.h"
#include "decode/spi_support.h"
#include "graphics/bitmap.h"

namespace decode {

// Results of the catalogue list besides the plug-ins' own.
inline constexpr int kSpiNoSupport = 200;      // GetBitmap: no plug-in supports the file
inline constexpr int kSpiDuplicateName = 201;  // AddPlugin: a library of that file name is loaded
inline constexpr int kSpiNoType = 101;         // GetPluginInfo(0) answered nothing
inline constexpr int kSpiNoName = 102;         // GetPluginInfo(1) answered nothing
inline constexpr int kSpiNoPattern = 103;      // no file pattern
// The plug-in's worker did not answer a call in time, died in it, passed its memory limit,
// could not be started; the plug-in was switched off.
inline constexpr int kSpiHung = 202;
inline constexpr int kSpiCrashed = 203;
inline constexpr int kSpiOutOfMemory = 204;
inline constexpr int kSpiNoWorker = 205;
inline constexpr int kSpiSwitchedOff = 206;
// Why a picture was not decoded, for the results above; empty for the others.
QString SpiFaultText(int result);

// What the sandbox said about plug-ins, from any thread: the thumbnail workers' lists
// share one log with the list they copy, so the window hears of them all.
class TSandboxLog {
 public:
  enum TKind { lkSwitchedOff, lkRefused };
  struct TEntry {
    TKind Kind;
    QString Plugin;  // file name
    QString Text;
  };
  void Add(TKind kind, const QString& plugin, const QString& text);
  std::vector<TEntry> Entries() const;
  QStringList Texts() const;

 private:
  mutable std::mutex lock_;
  std::vector<TEntry> entries_;
};

// A plug-in's standing in its worker: three failed calls in a row switch it off for the
// session; what it was refused is said each time.
class TPluginRecord {
 public:
  // The result for a call the worker failed (kSpiHung ...); counts the failure.
  int Failed(const TDecodeWorker& worker, const QString& fileName, TSandboxLog* log);
  // After an answer: only a finished decode ends a run of failures (an IsSupported that
  // answers says little).
  void Answered(const TDecodeWorker& worker, bool decoded, const QString& fileName, TSandboxLog* log);
  bool Off() const { return off_; }

 private:
  int failures_ = 0;
  bool off_ = false;
};

class TSpi {
 public:
  // Throws ESPIOpenError when the library cannot be loaded, ESPILoadError (with code
  // 101/102/103) when its information is incomplete.
  explicit TSpi(const QString& path);
  // A plug-in loaded in `worker` (slot of answer); its calls go there. messages collects
  // what is said about it.
  TSpi(const QString& path, const TPluginAnswer& answer, TDecodeWorker* worker, std::shared_ptr<TSandboxLog> log);
  ~TSpi();
  TSpi(const TSpi&) = delete;
  TSpi& operator=(const TSpi&) = delete;

  QString APIVersion;
  QString PluginName;
  QString Path;
  QString FileName;          // no folder
  QStringList Filters;       // raw pattern texts
  QStringList Extensions;    // lower-cased, one pattern per line
  bool Preview = false;

  enum Entry {
    eProgressCallback,
    eGetPluginInfo,
    eIsSupported,
    eGetPictureInfo,
    eGetPicture,
    eGetPreview,
    eGetArchiveInfo,
    eGetFileInfo,
    eGetFile,
    eConfigurationDlg,
    eCount
  };
  void* EntryPoint(Entry e) const { return entries_[e]; }

  // The extension is listed and IsSupported accepts the file's 2,176-byte head.
  bool Supports(const QString& file) const;
  // GetPreview (with Preview) or GetPicture of the whole file into bitmap (24-bit);
  // 0 on success, else the plug-in's code (SPI_OUT_OF_ORDER for a result that fails the
  // size checks, SPI_NO_FUNCTION when the library lacks the function).
  int LoadBitmap(const QString& file, graphics::TBitmap& bitmap);
  // Switched off after three failed calls in a row (sandbox only).
  bool SwitchedOff() const { return record_.Off(); }

 private:

  std::unique_ptr<TSpiLibrary> library_;
  void* entries_[eCount] = {};
  TDecodeWorker* worker_ = nullptr;
  int slot_ = -1;
  std::shared_ptr<TSandboxLog> log_;
  mutable TPluginRecord record_;
};

class TSPlugin {
 public:
  TSPlugin() = default;
  ~TSPlugin();
  TSPlugin(const TSPlugin&) = delete;
  TSPlugin& operator=(const TSPlugin&) = delete;

  bool Preview = false;
  // Taken from the settings file; set before the first AddPlugin.
  TSandboxSettings Sandbox = TSandboxSettings::FromIni();
  // What the sandbox had to say: plug-ins switched off, operations refused.
  QStringList Messages() const { return Log->Texts(); }
  // Where they are kept; a copy of the list shares its original's (set before AddPlugin).
  std::shared_ptr<TSandboxLog> Log = std::make_shared<TSandboxLog>();
  // The worker's process id, 0 when none runs (tests).
  pid_t WorkerPid() const { return worker_ ? worker_->Pid() : 0; }

  // LoadFolder over platform::pluginFolders(); returns the files tried.
  int LoadFromAppDir();
  // Tries every file of the folder whose name does not start with "." and whose
  // lower-cased name contains ".spi"; returns how many.
  int LoadFolder(const QString& folder);
  // The new index, 0 when the library is not a picture import plug-in or cannot be
  // loaded, kSpiDuplicateName when a library of the same file name is in the list.
  int AddPlugin(const QString& path);
  // Highest index whose plug-in supports the file, or -1.
  int IndexOfSupporting(const QString& file) const;
  int Count() const { return int(list_.size()); }
  TSpi& Item(int index) const { return *list_.at(size_t(index)).second; }
  QString Name(int index) const { return list_.at(size_t(index)).first; }
  // Plug-in names, in load order (what the options window lists).
  QStringList PluginNames() const;
  // 0 on success; kSpiNoSupport when no plug-in supports the file; else the last result.
  int GetBitmap(const QString& file, graphics::TBitmap& bitmap);

 private:
  // Declared before list_: the plug-ins go before their worker.
  std::unique_ptr<TDecodeWorker> worker_;
  std::vector<std::pair<QString, std::unique_ptr<TSpi>>> list_;
};

}  // namespace decode
