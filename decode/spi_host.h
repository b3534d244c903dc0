#pragma once
// The plug-in manager TSPIs and its plug-in classes. One manager per process (the main
// window's SPIs1): it searches for *.spi libraries, keeps the ones its OnSearch accepts and
// registers the patterns of picture import plug-ins with graphics::TPictureFormats.
//
// Folders of the search options on Linux:
//   spsSusieDir   [Software\Takechin\Susie\Plug-in] Path= of the settings file
//   spsAppDir     platform::pluginFolders() (the executable's folder, then the data folder)
//   spsCurrentDir the current directory
//   spsSystemDir  /usr/lib/qivo2/spi (system-wide plug-ins)
//   spsWindowsDir /usr/local/lib/qivo2/spi (locally installed plug-ins)
// Masks match file names without regard to letter case; hidden files and folders are
// skipped. Paths compare exactly.
//
// A library that lacks a function its type requires (ESPIInvalidAPI) is skipped by the
// search, which goes on with the next file; the messages are kept in SkippedMessages().
//
// With Sandbox.Enabled ([Main] Sandbox) the manager loads its plug-ins into a decode worker
// of its own (decode/decode_worker.h) and makes every call there, one at a time; a plug-in
// that crashes, hangs or eats memory costs that call, three in a row switch it off, and
// Messages() says so.
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

#include "decode/decode_worker.h"
#include "decode/spi_errors.h"
#include "decode/spi_plugin_list.h"
#include "decode/spi_support.h"
#include "graphics/picture_formats.h"

namespace decode {

enum class TSPIClass { scSPI, scLoaderSPI, scInSPI, scAmSPI, scXnSPI };

// The nine entry points, in the order they are looked up.
enum TSPIEntry {
  seGetPluginInfo,
  seConfigurationDlg,
  seIsSupported,
  seGetPictureInfo,
  seGetPicture,
  seGetPreview,
  seGetArchiveInfo,
  seGetFileInfo,
  seGetFile,
  seCount
};
extern const char* const kSPIEntryNames[seCount];

// A plug-in of a sandboxed manager: loaded in the manager's worker.
struct TRemoteSPI {
  TDecodeWorker* Worker = nullptr;
  std::mutex* Lock = nullptr;  // the worker makes one call at a time
  TSandboxLog* Log = nullptr;
  TPluginAnswer Answer;
};

class TSPI {
 public:
  explicit TSPI(const QString& path);  // throws ESPIFOpenErrorSPI, ESPIInvalidAPI
  TSPI(const QString& path, const TRemoteSPI& remote);  // throws ESPIInvalidAPI
  virtual ~TSPI();
  TSPI(const TSPI&) = delete;
  TSPI& operator=(const TSPI&) = delete;

  // Raises ESPIInvalidAPI for the first required function that is missing.
  virtual void CheckAPI() const;
  virtual bool Usable() const { return false; }
  virtual bool InheritsFrom(TSPIClass c) const { return c == TSPIClass::scSPI; }

  const QString& FileName() const { return fileName_; }
  const QString& APIVersion() const { return apiVersion_; }
  const QString& PluginName() const { return pluginName_; }
  const QStringList& Filters() const { return filters_; }
  const QStringList& Descriptions() const { return descriptions_; }
  void* Entry(TSPIEntry e) const { return entries_[e]; }
  // The library has the function (here, or in the worker).
  bool Has(TSPIEntry e) const { return entries_[e] || (remote_.Answer.Entries >> e) & 1u; }

  // Calls of a plug-in loaded in a worker; the function pointers above are then null.
  // Each answers as the plug-in did, or, when the worker failed, kSpiHung ... (0 for
  // IsSupported); a plug-in switched off answers kSpiSwitchedOff (0).
  bool Sandboxed() const { return remote_.Worker != nullptr; }
  bool SwitchedOff() const { return record_.Off(); }
  int RemoteIsSupported(const QByteArray& name, int fd, const uint8_t* head);
  int RemoteGetPictureInfo(const QByteArray& name, const TWorkerSource& source, SpiPictureInfo& info);
  int RemoteGetPicture(const QByteArray& name, const TWorkerSource& source, bool preview, THandle& info,
                       THandle& bits);

  SPI_GetPluginInfo GetPluginInfo() const { return reinterpret_cast<SPI_GetPluginInfo>(entries_[seGetPluginInfo]); }
  SPI_IsSupported IsSupported() const { return reinterpret_cast<SPI_IsSupported>(entries_[seIsSupported]); }
  SPI_GetPictureInfo GetPictureInfo() const {
    return reinterpret_cast<SPI_GetPictureInfo>(entries_[seGetPictureInfo]);
  }
  SPI_GetPicture GetPicture() const { return reinterpret_cast<SPI_GetPicture>(entries_[seGetPicture]); }
  SPI_GetPicture GetPreview() const { return reinterpret_cast<SPI_GetPicture>(entries_[seGetPreview]); }

  // True when a Filters entry's own extension (that of its last pattern) equals ext's
  // extension, ignoring case. Never for an empty extension.
  bool ClaimsExtension(const QString& ext) const;

 protected:
  TSPI(const QString& path, std::initializer_list<TSPIEntry> required);
  void CheckRequired(std::initializer_list<TSPIEntry> required) const;

 private:
  void Load(const QString& path, std::initializer_list<TSPIEntry> required);

  std::unique_ptr<TSpiLibrary> library_;
  TRemoteSPI remote_;
  TPluginRecord record_;
  QString fileName_;
  QString apiVersion_;
  QString pluginName_;
  QStringList filters_;
  QStringList descriptions_;
  void* entries_[seCount] = {};
};

class TLoaderSPI : public TSPI {
 public:
  explicit TLoaderSPI(const QString& path);
  void CheckAPI() const override;
  bool InheritsFrom(TSPIClass c) const override { return c == TSPIClass::scLoaderSPI || TSPI::InheritsFrom(c); }

 protected:
  using TSPI::TSPI;
};

class TInSPI : public TLoaderSPI {
 public:
  explicit TInSPI(const QString& path);
  TInSPI(const QString& path, const TRemoteSPI& remote);
  void CheckAPI() const override;
  bool Usable() const override { return true; }
  bool InheritsFrom(TSPIClass c) const override { return c == TSPIClass::scInSPI || TLoaderSPI::InheritsFrom(c); }
};

class TAmSPI : public TLoaderSPI {
 public:
  explicit TAmSPI(const QString& path);
  TAmSPI(const QString& path, const TRemoteSPI& remote);
  void CheckAPI() const override;
  bool Usable() const override { return true; }
  bool InheritsFrom(TSPIClass c) const override { return c == TSPIClass::scAmSPI || TLoaderSPI::InheritsFrom(c); }
};

class TXnSPI : public TSPI {
 public:
  explicit TXnSPI(const QString& path);
  TXnSPI(const QString& path, const TRemoteSPI& remote) : TSPI(path, remote) {}
  bool InheritsFrom(TSPIClass c) const override { return c == TSPIClass::scXnSPI || TSPI::InheritsFrom(c); }
};

enum TSPISearchOption { spsSusieDir = 1, spsAppDir = 2, spsCurrentDir = 4, spsSystemDir = 8, spsWindowsDir = 16 };
using TSPISearchOptions = int;

class TSPIs;
using TSPISearchEvent = std::function<void(TSPIs* sender, TSPI* spi, bool& accept)>;
using TSPISearchingEvent = std::function<void(TSPIs* sender, const QString& fileName, bool& accept)>;
using TSPIPictureRegisterEvent =
    std::function<void(TSPIs* sender, TInSPI* spi, const QString& extension, const QString& description,
                       const graphics::TGraphicClass*& graphicClass)>;

// The graphic class offered to OnPictureRegister (TSPIBitmap's).
const graphics::TGraphicClass*& DefaultGraphicClass();

class TSPIs {
 public:
  TSPIs();  // throws ESPIDupCreateSPIs when one exists
  ~TSPIs();
  TSPIs(const TSPIs&) = delete;
  TSPIs& operator=(const TSPIs&) = delete;

  // The process's manager, or nullptr.
  static TSPIs* Instance();

  bool MacBinary = true;
  bool GraphicPreview = false;
  TSPI* GraphicForcedLoader = nullptr;
  bool AutoSearch = true;
  TSPISearchOptions SearchOptions = spsSusieDir | spsAppDir;
  TSPISearchEvent OnSearch;
  TSPISearchingEvent OnSearching;
  TSPIPictureRegisterEvent OnPictureRegister;

  // Called once the owner has set the properties: the automatic search.
  void Loaded();

  int Count() const { return int(list_.size()); }
  TSPI* Item(int index) const { return list_.at(size_t(index)).get(); }
  void Add(std::unique_ptr<TSPI> spi) { Insert(Count(), std::move(spi)); }
  void Insert(int index, std::unique_ptr<TSPI> spi);
  void Delete(int index);
  void Clear();
  int IndexOf(const QString& path) const;

  void SearchPlugins(const QString& mask);
  // Plug-ins of the given classes, those claiming ext's extension first (the latest-added
  // claimer first), appended to target.
  void EnumSPIs(std::initializer_list<TSPIClass> classes, const QString& ext, std::vector<TSPI*>& target) const;
  // A plug-in of the class its type code names, or nullptr when the library cannot be
  // loaded. Raises ESPIInvalidAPI for a missing required function.
  static std::unique_ptr<TSPI> CreateSPI(const QString& path);

  // ESPIInvalidAPI messages of files the searches skipped.
  const QStringList& SkippedMessages() const { return skipped_; }

  // Taken from the settings file; set before Loaded() or the first search.
  TSandboxSettings Sandbox = TSandboxSettings::FromIni();
  // What the sandbox had to say: plug-ins switched off, operations refused.
  QStringList Messages() const { return log_.Texts(); }
  const TSandboxLog& Log() const { return log_; }
  // The worker's process id, 0 when none runs (tests).
  pid_t WorkerPid() const;

 private:
  void ScanFolder(const QString& folder, const QString& mask);
  void RegisterPatterns(TInSPI* spi);
  // CreateSPI's plug-in, loaded in the worker; nullptr when it cannot be loaded there.
  std::unique_ptr<TSPI> CreateRemoteSPI(const QString& path);

  // Declared before list_: the plug-ins go before their worker.
  mutable std::mutex workerLock_;
  std::unique_ptr<TDecodeWorker> worker_;
  TSandboxLog log_;
  std::vector<std::unique_ptr<TSPI>> list_;
  QStringList skipped_;
};

// The main window's handlers.
// OnSearch: keeps picture import plug-ins only.
void AcceptInSPIOnly(TSPIs* sender, TSPI* spi, bool& accept);
// OnPictureRegister: the program's own formats and a bare "*" stay with the program.
void VetoBuiltinExtensions(TSPIs* sender, TInSPI* spi, const QString& extension, const QString& description,
                           const graphics::TGraphicClass*& graphicClass);
// The main window's SPIs1 settings: no preview, the program's folder only, the two
// handlers above. Call Loaded() afterwards for the automatic search.
void SetUpSPIs1(TSPIs& spis);

}  // namespace decode
