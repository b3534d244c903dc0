#pragma once
// The picture formats the program decodes itself, by file extension. The one table: the
// image utility's picture kinds, the plug-in manager's veto and the conversion's test for
// icons all read it.
#include <QString>
#include <optional>
#include <span>

namespace graphics {

enum class TBuiltinFormat { bfBmp, bfJpeg, bfPng, bfIcon, bfCursor, bfAnimatedCursor, bfEmf, bfWmf };

struct TBuiltinExtension {
  const char* Ext;  // lower case, no dot
  TBuiltinFormat Format;
};
// Every built-in extension, in the order the picture registry lists them.
std::span<const TBuiltinExtension> BuiltinExtensions();

// ext in any case, with or without its leading dot ("JPG", ".jpeg"); none for another one.
std::optional<TBuiltinFormat> BuiltinFormatOf(const QString& ext);
inline bool IsBuiltinExtension(const QString& ext) { return BuiltinFormatOf(ext).has_value(); }
// Icons, cursors and animated cursors: shown, never converted.
bool IsIconFormat(TBuiltinFormat format);

}  // namespace graphics
