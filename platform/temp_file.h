#pragma once
// Temporary files beside a file being written. The name is short and never taken from the
// target's, so every name the folder takes can be written through it:
//   ".qivo2-HHHHHHHH-PID-RRRRRRRR.tmp"
// HHHHHHHH tells the host and process-id namespace, PID the writing process, RRRRRRRR is
// random. A writer killed midway leaves its file; the next one created in that folder removes
// those whose process has ended on this host (names of exactly this form, regular files of
// our user, never one of a living process). Leftovers of other forms are never touched.
#include <QByteArray>
#include <sys/types.h>

namespace platform {

// Creates a new temporary file in the folder of `target` (O_EXCL, close-on-exec, `mode`
// less the umask) after removing ended writers' leftovers there. Returns the descriptor and
// sets `tempPath`, or -1 with errno set.
int CreateTempFileBeside(const QByteArray& target, mode_t mode, QByteArray& tempPath);

// Removes the leftovers of ended writers from `folder`; how many were removed.
int RemoveEndedTempFiles(const QByteArray& folder);

// A temporary file name (no folder) of process `pid` on this host, with a fresh random part.
QByteArray TempFileName(pid_t pid);

}  // namespace platform
