#pragma once
// Exceptions of the plug-in host. Messages are the program's own texts.
#include <QString>
#include <stdexcept>

namespace decode {

class ESPIError : public std::runtime_error {
 public:
  explicit ESPIError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString Message() const { return QString::fromUtf8(what()); }
};

inline QString SPILoadFailedText(const QString& path) {
  return QStringLiteral("%1:Susie Pluginがロードできませんでした").arg(path);
}

// Manager: the library could not be loaded.
class ESPIFOpenErrorSPI : public ESPIError {
 public:
  explicit ESPIFOpenErrorSPI(const QString& path) : ESPIError(SPILoadFailedText(path)) {}
};

// Manager: a function the plug-in's type requires is missing.
class ESPIInvalidAPI : public ESPIError {
 public:
  ESPIInvalidAPI(const QString& function, const QString& fileName)
      : ESPIError(QStringLiteral("%1は[%2]では使えないSusie Plugin APIです").arg(function, fileName)) {}
};

// A second manager.
class ESPIDupCreateSPIs : public ESPIError {
 public:
  ESPIDupCreateSPIs() : ESPIError(QStringLiteral("TSPIs は複数生成できません")) {}
};

// Declared for plug-ins that are not usable; CreateSPI absorbs it.
class ESPIInvalidSPI : public ESPIError {
 public:
  using ESPIError::ESPIError;
};

// Catalogue list: the library could not be loaded.
class ESPIOpenError : public ESPIError {
 public:
  explicit ESPIOpenError(const QString& path) : ESPIError(SPILoadFailedText(path)) {}
};

// Catalogue list: plug-in information incomplete (101 no type, 102 no name, 103 no pattern).
class ESPILoadError : public ESPIError {
 public:
  ESPILoadError(const QString& path, int code) : ESPIError(SPILoadFailedText(path)), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

}  // namespace decode
