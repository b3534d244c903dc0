#pragma once
// File names are bytes. A path travels through QIVO2 as a QString that maps back to its bytes
// exactly: valid UTF-8 decodes as usual, and every byte that is not part of valid UTF-8 becomes
// the lone surrogate U+DC80 + (byte - 0x80) ("surrogate escape"), so distinct names stay
// distinct and a listed name opens, renames and caches as the file's own bytes.
// Qt's QFile, QFileInfo and QDir encode with plain UTF-8 and lose those bytes: on user paths
// use these functions with POSIX calls or platform/regular_file.h.
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <string_view>

namespace platform {

// The system's bytes of a path; escapes turn back into their bytes.
QByteArray PathBytes(const QString& path);
// A path from the system's bytes, lossless for any bytes.
QString PathFromBytes(std::string_view bytes);
inline QString PathFromBytes(const QByteArray& bytes) {
  return PathFromBytes(std::string_view(bytes.constData(), size_t(bytes.size())));
}
// A path or name for the screen: each escaped byte shows as U+FFFD.
QString DisplayName(const QString& path);

// The file: URL of a path, its own bytes percent-encoded (QUrl::fromLocalFile would encode
// escaped bytes as U+FFFD).
QUrl FileUrl(const QString& path);
// The path of a local file: URL with its own bytes; "" for any other URL.
QString PathOfFileUrl(const QUrl& url);
// Whether the path is plain text that any program can take (no escaped bytes).
bool IsTextPath(const QString& path);

// What a path names, links followed; found by stat without opening anything.
enum class PathKind { Missing, File, Folder, Other };
PathKind KindOfPath(const QString& path);
// Whether anything, a dangling link too, already has this name.
bool PathTaken(const QString& path);

}  // namespace platform
