#include "decode/spi_plugin_list.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "platform/app_folder.h"
#include "platform/path_bytes.h"
#include "platform/regular_file.h"

namespace decode {

namespace {
const char* const kEntryNames[TSpi::eCount] = {"ProgressCallback", "GetPluginInfo",  "IsSupported",
                                               "GetPictureInfo",   "GetPicture",     "GetPreview",
                                               "GetArchiveInfo",   "GetFileInfo",    "GetFile",
                                               "ConfigurationDlg"};
}

TSpi::TSpi(const QString& path) : Path(path), FileName(QFileInfo(path).fileName()) {
  library_ = TSpiLibrary::Open(path);
  if (!library_) throw ESPIOpenError(path);
  for (int e = 0; e < eCount; ++e) entries_[e] = library_->Symbol(kEntryNames[e]);
  const auto info = reinterpret_cast<SPI_GetPluginInfo>(entries_[eGetPluginInfo]);
  if (!info) throw ESPILoadError(path, kSpiNoType);
  if (ReadPluginInfo(info, SPI_INFO_TYPE, APIVersion) == 0) throw ESPILoadError(path, kSpiNoType);
  if (ReadPluginInfo(info, SPI_INFO_NAME, PluginName) == 0) throw ESPILoadError(path, kSpiNoName);
  for (int n = SPI_INFO_FIRST_PATTERN; Filters.size() < kMaxPatternEntries; n += 2) {
    QString text;
    if (ReadPluginInfo(info, n, text) == 0) break;
    Filters << text;
  }
  for (const QString& f : Filters)
    for (const QString& part : f.toLower().split(';'))
      if (!part.isEmpty()) Extensions << part;
  if (Extensions.isEmpty()) throw ESPILoadError(path, kSpiNoPattern);
}

TSpi::TSpi(const QString& path, const TPluginAnswer& answer, TDecodeWorker* worker, std::shared_ptr<TSandboxLog> log)
    : APIVersion(answer.APIVersion),
      PluginName(answer.PluginName),
      Path(path),
      FileName(QFileInfo(path).fileName()),
      Filters(answer.Filters),
      worker_(worker),
      slot_(answer.Slot),
      log_(std::move(log)) {
  for (const QString& f : Filters)
    for (const QString& part : f.toLower().split(';'))
      if (!part.isEmpty()) Extensions << part;
}

TSpi::~TSpi() = default;

QString SpiFaultText(int result) {
  switch (result) {
    case kSpiHung: return QStringLiteral("プラグインが応答しません");
    case kSpiCrashed: return QStringLiteral("プラグインが異常終了しました");
    case kSpiOutOfMemory: return QStringLiteral("プラグインがメモリの上限を超えました");
    case kSpiNoWorker: return QStringLiteral("デコード用のプロセスを起動できません");
    case kSpiSwitchedOff: return QStringLiteral("プラグインは停止されています");
    default: return {};
  }
}

void TSandboxLog::Add(TKind kind, const QString& plugin, const QString& text) {
  const std::lock_guard hold(lock_);
  entries_.push_back({kind, plugin, text});
}

std::vector<TSandboxLog::TEntry> TSandboxLog::Entries() const {
  const std::lock_guard hold(lock_);
  return entries_;
}

QStringList TSandboxLog::Texts() const {
  QStringList out;
  for (const TEntry& e : Entries()) out << e.Text;
  return out;
}

int TPluginRecord::Failed(const TDecodeWorker& worker, const QString& fileName, TSandboxLog* log) {
  int result = kSpiCrashed;
  switch (worker.Fault()) {
    case TWorkerFault::Hung: result = kSpiHung; break;
    case TWorkerFault::OutOfMemory: result = kSpiOutOfMemory; break;
    case TWorkerFault::NoWorker: return kSpiNoWorker;  // not the plug-in's fault
    default: break;
  }
  if (++failures_ >= 3 && !off_) {
    off_ = true;
    if (log)
      log->Add(TSandboxLog::lkSwitchedOff, fileName,
               QStringLiteral("%1 は続けて失敗したため、このセッションでは使いません").arg(fileName));
  }
  return result;
}

void TPluginRecord::Answered(const TDecodeWorker& worker, bool decoded, const QString& fileName,
                             TSandboxLog* log) {
  if (decoded) failures_ = 0;
  if (log && !worker.Denied().isEmpty())
    log->Add(TSandboxLog::lkRefused, fileName,
             QStringLiteral("%1 に許されない操作を拒みました: %2").arg(fileName, worker.Denied().join(", ")));
}

bool TSpi::Supports(const QString& file) const {
  const QString ext = ExtractFileExt(QFileInfo(file).fileName()).toLower();
  const QString text = Extensions.join('\n') + "\n;";
  if (ext.isEmpty() || !text.contains(ext)) return false;
  if (worker_) {
    if (record_.Off()) return false;
    const platform::RegularFile f = platform::RegularFile::Open(file);
    if (!f) return false;
    uint8_t head[kHeaderBufferSize] = {};
    const auto bytes = platform::ReadAt(f.Fd(), 0, int64_t(sizeof head), f.Size());
    if (!bytes) return false;
    std::memcpy(head, bytes->constData(), std::min(sizeof head, size_t(bytes->size())));
    int result = 0;
    if (!worker_->IsSupported(slot_, platform::PathBytes(file), f.Fd(), head, result)) {
      record_.Failed(*worker_, FileName, log_.get());
      return false;
    }
    record_.Answered(*worker_, false, FileName, log_.get());
    return result != 0;
  }
  const auto isSupported = reinterpret_cast<SPI_IsSupported>(entries_[eIsSupported]);
  if (!isSupported) return false;
  uint8_t head[kHeaderBufferSize];
  if (!ReadHeaderBuffer(file, head)) return false;
  return isSupported(platform::PathBytes(file).constData(), head) != 0;
}

int TSpi::LoadBitmap(const QString& file, graphics::TBitmap& bitmap) {
  if (worker_) {
    const platform::RegularFile f = platform::RegularFile::Open(file);
    if (!f) return SPI_FILE_READ_ERROR;
    if (record_.Off()) return kSpiSwitchedOff;
    int result = 0;
    if (!worker_->GetPicture(slot_, platform::PathBytes(file), f.Fd(), Preview, bitmap, result))
      return record_.Failed(*worker_, FileName, log_.get());
    record_.Answered(*worker_, true, FileName, log_.get());
    return result;
  }
  // The plug-in opens the file itself: a FIFO would block it.
  if (platform::CheckRegularFile(file) != platform::FileError::None) return SPI_FILE_READ_ERROR;
  const QByteArray name = platform::PathBytes(file);
  const auto getPicture = reinterpret_cast<SPI_GetPicture>(entries_[eGetPicture]);
  const auto getPreview = reinterpret_cast<SPI_GetPicture>(entries_[eGetPreview]);
  void* hinfo = nullptr;
  void* hbits = nullptr;
  int result = SPI_NO_FUNCTION;
  if (Preview && getPreview) result = getPreview(name.constData(), 0, SPI_SOURCE_FILE, &hinfo, &hbits, nullptr, 0);
  if (result != 0) {
    hinfo = hbits = nullptr;
    result = getPicture ? getPicture(name.constData(), 0, SPI_SOURCE_FILE, &hinfo, &hbits, nullptr, 0)
                        : SPI_NO_FUNCTION;
  }
  if (result != 0) return result;
  const THandle info(hinfo), bits(hbits);
  graphics::TBitmap out;
  if (!DibHandlesToBitmap(info.get(), bits.get(), out)) return SPI_OUT_OF_ORDER;
  out.ConvertTo24();
  bitmap = std::move(out);
  return 0;
}

TSPlugin::~TSPlugin() = default;

int TSPlugin::LoadFromAppDir() {
  int count = 0;
  for (const QString& folder : platform::pluginFolders()) count += LoadFolder(folder);
  return count;
}

int TSPlugin::LoadFolder(const QString& folder) {
  const QString base = folder.endsWith('/') ? folder : folder + '/';
  int count = 0;
  const auto entries = QDir(base).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  for (const QFileInfo& fi : entries) {
    const QString name = fi.fileName();
    if (name.startsWith('.') || !name.endsWith(QLatin1String(".spi"), Qt::CaseInsensitive)) continue;
    AddPlugin(base + name);
    ++count;
  }
  return count;
}

int TSPlugin::AddPlugin(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  for (const auto& [n, spi] : list_)
    if (n == name) return kSpiDuplicateName;
  std::unique_ptr<TSpi> spi;
  if (Sandbox.Enabled) {
    if (!worker_) worker_ = std::make_unique<TDecodeWorker>(Sandbox);
    TPluginAnswer answer;
    if (!worker_->Load(path, answer) || answer.Status != 0) return 0;
    spi = std::make_unique<TSpi>(path, answer, worker_.get(), Log);
  } else {
    try {
      spi = std::make_unique<TSpi>(path);
    } catch (const std::exception&) {
      return 0;
    }
  }
  if (spi->APIVersion != QLatin1String("00IN")) return 0;
  list_.emplace_back(name, std::move(spi));
  return Count() - 1;
}

int TSPlugin::IndexOfSupporting(const QString& file) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (Item(i).Supports(file)) return i;
  return -1;
}

QStringList TSPlugin::PluginNames() const {
  QStringList out;
  for (const auto& [n, spi] : list_) out << spi->PluginName;
  return out;
}

int TSPlugin::GetBitmap(const QString& file, graphics::TBitmap& bitmap) {
  int result = kSpiNoSupport;
  for (auto& [n, spi] : list_) {
    if (!spi->Supports(file)) continue;
    spi->Preview = Preview;
    result = spi->LoadBitmap(file, bitmap);
    if (result == 0) break;
  }
  return result;
}

}  // namespace decode
