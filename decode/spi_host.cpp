#include "decode/spi_host.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "graphics/builtin_formats.h"
#include "platform/app_folder.h"
#include "platform/profile.h"

namespace decode {

const char* const kSPIEntryNames[seCount] = {"GetPluginInfo", "ConfigurationDlg", "IsSupported",
                                             "GetPictureInfo", "GetPicture",       "GetPreview",
                                             "GetArchiveInfo", "GetFileInfo",      "GetFile"};

namespace {

constexpr std::initializer_list<TSPIEntry> kSPIRequired = {seGetPluginInfo};
constexpr std::initializer_list<TSPIEntry> kLoaderRequired = {seGetPluginInfo, seIsSupported};
constexpr std::initializer_list<TSPIEntry> kInRequired = {seGetPluginInfo, seIsSupported, seGetPictureInfo,
                                                          seGetPicture};
constexpr std::initializer_list<TSPIEntry> kAmRequired = {seGetPluginInfo, seIsSupported, seGetArchiveInfo,
                                                          seGetFileInfo, seGetFile};

TSPIs* gInstance = nullptr;

// Registry key of the Susie viewer, as a section of the settings file.
const QString kSusieSection = QStringLiteral("Software\\Takechin\\Susie\\Plug-in");

// Windows-style "*"/"?" mask, without regard to letter case.
bool MatchesMask(const QString& name, const QString& mask) {
  return QRegularExpression::fromWildcard(mask, Qt::CaseInsensitive).match(name).hasMatch();
}

QString WithSlash(const QString& folder) { return folder.endsWith('/') ? folder : folder + '/'; }

}  // namespace

// ---- TSPI ----

TSPI::TSPI(const QString& path) : TSPI(path, kSPIRequired) {}

TSPI::TSPI(const QString& path, std::initializer_list<TSPIEntry> required) { Load(path, required); }

TSPI::~TSPI() = default;

void TSPI::Load(const QString& path, std::initializer_list<TSPIEntry> required) {
  library_ = TSpiLibrary::Open(path);
  if (!library_) throw ESPIFOpenErrorSPI(path);
  fileName_ = library_->ModuleFileName();
  if (fileName_.isEmpty()) fileName_ = path;
  for (int e = 0; e < seCount; ++e) entries_[e] = library_->Symbol(kSPIEntryNames[e]);
  CheckRequired(required);
  const auto info = GetPluginInfo();
  QString text;
  if (ReadPluginInfo(info, SPI_INFO_TYPE, text) > 0) apiVersion_ = text;
  if (ReadPluginInfo(info, SPI_INFO_NAME, text) > 0) pluginName_ = text;
  for (int n = SPI_INFO_FIRST_PATTERN; filters_.size() < kMaxPatternEntries; n += 2) {
    QString pattern, description;
    if (ReadPluginInfo(info, n, pattern) < 1) break;
    if (ReadPluginInfo(info, n + 1, description) < 1) break;
    filters_ << pattern;
    descriptions_ << description;
  }
}

TSPI::TSPI(const QString& path, const TRemoteSPI& remote)
    : remote_(remote),
      fileName_(path),
      apiVersion_(remote.Answer.APIVersion),
      pluginName_(remote.Answer.PluginName),
      filters_(remote.Answer.Filters),
      descriptions_(remote.Answer.Descriptions) {
  CheckRequired(kSPIRequired);
}

int TSPI::RemoteIsSupported(const QByteArray& name, int fd, const uint8_t* head) {
  const std::lock_guard hold(*remote_.Lock);
  if (record_.Off()) return 0;
  int result = 0;
  if (!remote_.Worker->IsSupported(remote_.Answer.Slot, name, fd, head, result)) {
    record_.Failed(*remote_.Worker, QFileInfo(fileName_).fileName(), remote_.Log);
    return 0;
  }
  record_.Answered(*remote_.Worker, false, QFileInfo(fileName_).fileName(), remote_.Log);
  return result;
}

int TSPI::RemoteGetPictureInfo(const QByteArray& name, const TWorkerSource& source, SpiPictureInfo& info) {
  const std::lock_guard hold(*remote_.Lock);
  if (record_.Off()) return kSpiSwitchedOff;
  int result = 0;
  QByteArray text;
  if (!remote_.Worker->GetPictureInfo(remote_.Answer.Slot, name, source, info, text, result))
    return record_.Failed(*remote_.Worker, QFileInfo(fileName_).fileName(), remote_.Log);
  record_.Answered(*remote_.Worker, false, QFileInfo(fileName_).fileName(), remote_.Log);
  info.hInfo = nullptr;
  if (result == 0 && !text.isEmpty()) {
    // A handle of our own, as a plug-in would have made it.
    info.hInfo = std::malloc(size_t(text.size()) + 1);
    if (info.hInfo) std::memcpy(info.hInfo, text.constData(), size_t(text.size()) + 1);
  }
  return result;
}

int TSPI::RemoteGetPicture(const QByteArray& name, const TWorkerSource& source, bool preview, THandle& info,
                           THandle& bits) {
  const std::lock_guard hold(*remote_.Lock);
  if (record_.Off()) return kSpiSwitchedOff;
  // Copies of the plug-in's handles, as if it had made them here.
  const TDibSink keep = [&](std::span<const uint8_t> i, std::span<const uint8_t> b) {
    THandle ci(std::malloc(std::max<size_t>(i.size(), 1))), cb(std::malloc(std::max<size_t>(b.size(), 1)));
    if (!ci || !cb) return false;
    std::memcpy(ci.get(), i.data(), i.size());
    if (!b.empty()) std::memcpy(cb.get(), b.data(), b.size());
    info = std::move(ci);
    bits = std::move(cb);
    return true;
  };
  int result = 0;
  if (!remote_.Worker->GetDib(remote_.Answer.Slot, name, source, preview, keep, result))
    return record_.Failed(*remote_.Worker, QFileInfo(fileName_).fileName(), remote_.Log);
  record_.Answered(*remote_.Worker, true, QFileInfo(fileName_).fileName(), remote_.Log);
  return result;
}

void TSPI::CheckRequired(std::initializer_list<TSPIEntry> required) const {
  for (TSPIEntry e : required)
    if (!Has(e)) throw ESPIInvalidAPI(QString::fromLatin1(kSPIEntryNames[e]), fileName_);
}

void TSPI::CheckAPI() const { CheckRequired(kSPIRequired); }

bool TSPI::ClaimsExtension(const QString& ext) const {
  const QString want = ExtractFileExt(ext);
  if (want.isEmpty()) return false;
  for (const QString& f : filters_)
    if (ExtractFileExt(f).compare(want, Qt::CaseInsensitive) == 0) return true;
  return false;
}

TLoaderSPI::TLoaderSPI(const QString& path) : TSPI(path, kLoaderRequired) {}
void TLoaderSPI::CheckAPI() const { CheckRequired(kLoaderRequired); }

TInSPI::TInSPI(const QString& path) : TLoaderSPI(path, kInRequired) {}
TInSPI::TInSPI(const QString& path, const TRemoteSPI& remote) : TLoaderSPI(path, remote) {
  CheckRequired(kInRequired);
}
void TInSPI::CheckAPI() const { CheckRequired(kInRequired); }

TAmSPI::TAmSPI(const QString& path) : TLoaderSPI(path, kAmRequired) {}
TAmSPI::TAmSPI(const QString& path, const TRemoteSPI& remote) : TLoaderSPI(path, remote) {
  CheckRequired(kAmRequired);
}
void TAmSPI::CheckAPI() const { CheckRequired(kAmRequired); }

TXnSPI::TXnSPI(const QString& path) : TSPI(path, kSPIRequired) {}

// ---- TSPIs ----

TSPIs::TSPIs() {
  if (gInstance) throw ESPIDupCreateSPIs();
  gInstance = this;
}

TSPIs::~TSPIs() {
  if (gInstance == this) gInstance = nullptr;
  Clear();
  // Without a manager no plug-in can decode, so its formats leave the loader too.
  if (DefaultGraphicClass()) graphics::TPictureFormats::Instance().UnregisterClass(DefaultGraphicClass());
}

TSPIs* TSPIs::Instance() { return gInstance; }

void TSPIs::Loaded() {
  if (AutoSearch) SearchPlugins(QStringLiteral("*.spi"));
}

void TSPIs::Insert(int index, std::unique_ptr<TSPI> spi) {
  if (!spi) return;
  index = std::clamp(index, 0, Count());
  TSPI* p = spi.get();
  list_.insert(list_.begin() + index, std::move(spi));
  if (auto* in = dynamic_cast<TInSPI*>(p)) RegisterPatterns(in);
}

void TSPIs::RegisterPatterns(TInSPI* spi) {
  for (qsizetype i = 0; i < spi->Filters().size(); ++i) {
    const graphics::TGraphicClass* cls = DefaultGraphicClass();
    QString rest = spi->Filters()[i];
    while (!rest.isEmpty()) {
      // Patterns are offered last to first.
      const qsizetype semi = rest.lastIndexOf(';');
      const QString pattern = semi < 0 ? rest : rest.mid(semi + 1);
      rest = semi < 0 ? QString() : rest.left(semi);
      const qsizetype dot = pattern.indexOf('.');
      const QString ext = (dot < 0 ? pattern : pattern.mid(dot + 1)).trimmed();
      if (OnPictureRegister) OnPictureRegister(this, spi, ext, spi->Descriptions().value(i), cls);
      // An empty pattern ("*." or ";;") names no extension to register.
      if (cls && !ext.isEmpty())
        graphics::TPictureFormats::Instance().Register(ext, spi->Descriptions().value(i), cls);
    }
  }
}

void TSPIs::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  if (GraphicForcedLoader == list_[size_t(index)].get()) GraphicForcedLoader = nullptr;
  list_.erase(list_.begin() + index);
}

void TSPIs::Clear() {
  while (!list_.empty()) Delete(0);
}

int TSPIs::IndexOf(const QString& path) const {
  for (int i = 0; i < Count(); ++i)
    if (list_[size_t(i)]->FileName() == path) return i;
  return -1;
}

std::unique_ptr<TSPI> TSPIs::CreateSPI(const QString& path) {
  try {
    QString version;
    {
      TSPI plain(path);
      version = plain.APIVersion();
      if (version == QLatin1String("00IN")) return std::make_unique<TInSPI>(path);
      if (version == QLatin1String("00AM")) return std::make_unique<TAmSPI>(path);
      if (version == QLatin1String("00XN")) return std::make_unique<TXnSPI>(path);
      return std::make_unique<TSPI>(path);
    }
  } catch (const ESPIFOpenErrorSPI&) {
    return nullptr;
  } catch (const ESPIInvalidSPI&) {
    return nullptr;
  }
}

std::unique_ptr<TSPI> TSPIs::CreateRemoteSPI(const QString& path) {
  TRemoteSPI remote{nullptr, &workerLock_, &log_, {}};
  {
    const std::lock_guard hold(workerLock_);
    if (!worker_) worker_ = std::make_unique<TDecodeWorker>(Sandbox);
    if (!worker_->Load(path, remote.Answer) || remote.Answer.Status != 0) return nullptr;
  }
  remote.Worker = worker_.get();
  const QString& version = remote.Answer.APIVersion;
  if (version == QLatin1String("00IN")) return std::make_unique<TInSPI>(path, remote);
  if (version == QLatin1String("00AM")) return std::make_unique<TAmSPI>(path, remote);
  if (version == QLatin1String("00XN")) return std::make_unique<TXnSPI>(path, remote);
  return std::make_unique<TSPI>(path, remote);
}

pid_t TSPIs::WorkerPid() const {
  const std::lock_guard hold(workerLock_);
  return worker_ ? worker_->Pid() : 0;
}

void TSPIs::SearchPlugins(const QString& mask) {
  const qsizetype slash = mask.lastIndexOf('/');
  if (slash >= 0) {
    ScanFolder(WithSlash(mask.left(slash + 1)), mask.mid(slash + 1));
    return;
  }
  QStringList folders;
  if (SearchOptions & spsSusieDir) {
    const QString path =
        platform::profile::ReadString(platform::settingsFilePath(), kSusieSection, QStringLiteral("Path"), QString());
    if (!path.isEmpty()) folders << path;
  }
  if (SearchOptions & spsAppDir) folders << platform::pluginFolders();
  if (SearchOptions & spsCurrentDir) folders << QDir::currentPath();
  if (SearchOptions & spsSystemDir) folders << QStringLiteral("/usr/lib/qivo2/spi");
  if (SearchOptions & spsWindowsDir) folders << QStringLiteral("/usr/local/lib/qivo2/spi");
  for (const QString& f : folders) ScanFolder(WithSlash(f), mask);
}

void TSPIs::ScanFolder(const QString& folder, const QString& mask) {
  QDir dir(folder);
  if (!dir.exists()) return;
  QStringList paths;
  const auto entries = dir.entryInfoList(QDir::Files | QDir::System, QDir::Name);
  for (const QFileInfo& fi : entries) {
    if (!MatchesMask(fi.fileName(), mask)) continue;
    const QString path = folder + fi.fileName();
    if (IndexOf(path) < 0 && IndexOf(QFileInfo(path).absoluteFilePath()) < 0) paths << path;
  }
  for (const QString& path : paths) {
    bool accept = true;
    if (OnSearching) OnSearching(this, path, accept);
    if (!accept) continue;
    std::unique_ptr<TSPI> spi;
    try {
      spi = Sandbox.Enabled ? CreateRemoteSPI(path) : CreateSPI(path);
    } catch (const ESPIInvalidAPI& e) {
      // Skipping keeps the program starting when one file is broken.
      skipped_ << e.Message();
      continue;
    }
    if (!spi) continue;
    accept = true;
    if (OnSearch) OnSearch(this, spi.get(), accept);
    if (accept) Add(std::move(spi));
  }
}

void TSPIs::EnumSPIs(std::initializer_list<TSPIClass> classes, const QString& ext,
                     std::vector<TSPI*>& target) const {
  const QString want = ExtractFileExt(ext);
  for (const auto& spi : list_) {
    bool member = false;
    for (TSPIClass c : classes) member = member || spi->InheritsFrom(c);
    if (!member) continue;
    if (spi->ClaimsExtension(want))
      target.insert(target.begin(), spi.get());
    else
      target.push_back(spi.get());
  }
}

void AcceptInSPIOnly(TSPIs*, TSPI* spi, bool& accept) { accept = dynamic_cast<TInSPI*>(spi) != nullptr; }

void VetoBuiltinExtensions(TSPIs*, TInSPI*, const QString& extension, const QString&,
                           const graphics::TGraphicClass*& graphicClass) {
  if (graphics::IsBuiltinExtension(extension) || extension == QLatin1String("*")) graphicClass = nullptr;
}

void SetUpSPIs1(TSPIs& spis) {
  spis.GraphicPreview = false;
  spis.SearchOptions = spsAppDir;
  spis.OnSearch = AcceptInSPIOnly;
  spis.OnPictureRegister = VetoBuiltinExtensions;
}

}  // namespace decode
