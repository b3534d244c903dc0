#pragma once
// Pieces shared by both plug-in lists and the plug-in graphics: the dynamic-library
// stand-in (dlopen/dlsym/dlclose), plug-in memory handles (malloc pointers released with
// free), the 2,176-byte head buffer, information texts, and the checked conversion of a
// plug-in's BITMAPINFO and bits into our bitmap.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "graphics/bitmap.h"
#include "plugins/spi.h"

namespace decode {

inline constexpr size_t kHeaderBufferSize = SPI_HEADER_BUFFER_SIZE;  // 2,176
inline constexpr long kMacBinaryOffset = 128;
// A plug-in that never stops listing patterns must not hang the host.
inline constexpr int kMaxPatternEntries = 256;

// One loaded library. dlopen keeps one copy per path and counts references, so two lists
// that load the same file share its code and static data.
class TSpiLibrary {
 public:
  // nullptr when the file cannot be loaded (not a regular file, not a library, missing
  // symbols ...).
  static std::unique_ptr<TSpiLibrary> Open(const QString& path);
  ~TSpiLibrary();
  TSpiLibrary(const TSpiLibrary&) = delete;
  TSpiLibrary& operator=(const TSpiLibrary&) = delete;

  void* Symbol(const char* name) const;
  // The path the loader reports for the library; the given path when it reports none.
  QString ModuleFileName() const;

 private:
  TSpiLibrary(void* handle, QString path);
  void* handle_;
  QString path_;
};

// Releases a plug-in memory handle (free; null is fine).
void FreeHandle(void* handle);
// Bytes that can be read through a plug-in memory handle (0 for null).
size_t HandleSize(const void* handle);

// Owns one plug-in memory handle.
struct THandleDeleter {
  void operator()(void* p) const { FreeHandle(p); }
};
using THandle = std::unique_ptr<void, THandleDeleter>;

// GetPluginInfo(infono) into a zero-filled 256-byte buffer (length 255). Returns the
// plug-in's answer and sets text to the bytes before the first NUL (UTF-8).
int ReadPluginInfo(SPI_GetPluginInfo fn, int infono, QString& text);

// Zero-fills buf and reads min(file size, kHeaderBufferSize) bytes of the file into it.
// False when it is not a regular file or cannot be read.
bool ReadHeaderBuffer(const QString& fileName, uint8_t (&buf)[kHeaderBufferSize]);

// The extension of a file name from its last "." (".mag"), empty when there is none.
QString ExtractFileExt(const QString& fileName);

// Windows MulDiv: number × numerator / denominator rounded, -1 for a zero denominator or
// a result outside 32 bits.
int MulDiv(int number, int numerator, int denominator);

// What a checked BITMAPINFO header says.
struct TDibHeader {
  uint32_t headerSize = 0;
  int32_t width = 0;
  int32_t height = 0;  // sign kept
  int bitCount = 0;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  int colorCount = 0;      // colour-table entries the header announces
  size_t infoSize = 0;     // header + masks + colour table
  size_t bitsSize = 0;     // |height| rows padded to 4 bytes
};

// Checks a plug-in's BITMAPINFO (info) and bits against each other and converts them:
// 1/4/8 bits stay indexed with their palette, 16/24/32 bits become 24-bit. Returns false
// (bitmap untouched) for a header that lies about sizes or uses an unknown layout.
bool DibToBitmap(std::span<const uint8_t> info, std::span<const uint8_t> bits, graphics::TBitmap& out,
                 TDibHeader* header = nullptr);
// The same for two plug-in memory handles, measured with HandleSize.
bool DibHandlesToBitmap(const void* info, const void* bits, graphics::TBitmap& out, TDibHeader* header = nullptr);

}  // namespace decode
