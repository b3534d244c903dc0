#pragma once
// Renames that never replace a file. POSIX rename() silently replaces its target, which must
// never happen to a user's file: renameat2(RENAME_NOREPLACE) where the file system takes it,
// otherwise link() + unlink(), which fails the same way when the target exists.
#include <QByteArray>

namespace platform {

// 0 on success, otherwise the errno (EEXIST when `to` exists). The paths are raw bytes.
int RenameNoReplace(const QByteArray& from, const QByteArray& to);

}  // namespace platform
