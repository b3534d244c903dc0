#pragma once
// The file operations of the desktop's shell, done by us: checked copy, move and delete to the
// Trash. Nothing here ever loses or silently replaces a user's file:
//  - a copy is written to a hidden temporary name in the target folder (O_EXCL), read and
//    written in a loop, synced, its size checked against the source, and only then renamed
//    into place (without replace unless the caller says so);
//  - a move is a rename on one file system; across file systems it is a checked copy, and the
//    source is removed only after that copy is complete and in place;
//  - a source and target that are one file (same device and inode) are refused: copying or
//    moving a file onto itself would otherwise end with it gone;
//  - delete moves to the freedesktop Trash: the home Trash, or for a file on another file
//    system the Trash at the top of that one; never a copy, and no Trash is an error.
// A copy keeps the source's modification time and permission bits, as the shell's copy does,
// so a thumbnail recorded for the source stays valid for the copy.
// Errors are errno values (0 = success): EEXIST the target exists (TReplace::Never),
// EINVAL source and target are one file, EISDIR a folder where a file is wanted,
// ECANCELED the progress callback asked to stop, EIO the copy's size differs from the source;
// the rest come from the system.
// Paths are QStrings that keep the file's own bytes (platform/path_bytes.h).
#include <QString>
#include <cstdint>
#include <functional>
#include <sys/types.h>

#include "platform/save_file.h"

namespace platform {

struct TCopyOptions {
  TReplace Replace = TReplace::Never;
  // Called after every chunk with the bytes copied so far; false stops the copy.
  std::function<bool(int64_t bytesDone)> Progress;
  // Stands in for ::write on the target (tests inject a failing disk).
  std::function<ssize_t(int fd, const void* data, size_t size)> Write;
};

// Copies the regular file `from` to `to`.
int CopyFileChecked(const QString& from, const QString& to, const TCopyOptions& options = {});
// Moves `from` to `to`: a rename, or a checked copy and then removal of the source.
int MoveFileChecked(const QString& from, const QString& to, const TCopyOptions& options = {});
// Moves a file or folder to the Trash.
int MoveToTrash(const QString& path);
// Whether both paths name one existing file (links followed).
bool SameFile(const QString& a, const QString& b);
// The system's text for an error value.
QString ErrorText(int error);

}  // namespace platform
