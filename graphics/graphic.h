#pragma once
// A graphic: a picture format's class that loads, saves and hands its picture over as
// our bitmap. BMP, JPEG, PNG and the plug-in formats each derive from it.
#include <QIODevice>
#include <QString>
#include <memory>
#include <stdexcept>

#include "graphics/bitmap.h"
#include "platform/regular_file.h"

namespace graphics {

// The toolkit's invalid-graphic error: a picture that cannot be read or written.
class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  explicit EInvalidGraphic(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString Message() const { return QString::fromUtf8(what()); }
};

// A picture file that could not be opened (missing, not a regular file, not readable). The
// message says why; the layer that shows it names the file.
class EFileOpen : public EInvalidGraphic {
 public:
  explicit EFileOpen(const platform::RegularFile& file)
      : EInvalidGraphic(QStringLiteral("Cannot open file: ") + file.FailureText()), error_(file.Error()) {}
  platform::FileError Error() const { return error_; }

 private:
  platform::FileError error_;
};

class TGraphic {
 public:
  virtual ~TGraphic() = default;

  // Opens the file read-only (a regular file only, else EFileOpen) and loads it from the
  // stream; the file name is passed on to graphics that need it (plug-ins choose by extension).
  virtual void LoadFromFile(const QString& fileName);
  // Reads from the stream's current position.
  virtual void LoadFromStream(QIODevice& stream) = 0;
  // Writes the picture in this graphic's format. Graphics that cannot write throw.
  virtual void SaveToStream(QIODevice& stream) const;
  // Writes to a temporary file beside the target and renames it into place, so a failed
  // save never leaves a half-written picture or destroys the old one.
  void SaveToFile(const QString& fileName) const;

  virtual int Width() const { return Bitmap().Width(); }
  virtual int Height() const { return Bitmap().Height(); }
  virtual bool Empty() const { return Bitmap().Empty(); }

  // The decoded picture (what drawing and conversion use).
  virtual const TBitmap& Bitmap() const = 0;
  virtual TBitmap& Bitmap() = 0;
};

// A graphic that is simply a bitmap (the base of BMP-like classes).
class TBitmapGraphic : public TGraphic {
 public:
  const TBitmap& Bitmap() const override { return bitmap_; }
  TBitmap& Bitmap() override { return bitmap_; }

 protected:
  TBitmap bitmap_;
};

}  // namespace graphics
