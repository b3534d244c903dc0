#pragma once
// Private-profile (INI) functions with the semantics the settings file relies on:
// - sections and keys are found without regard to letter case; the first match wins;
// - a missing file, section or key yields the caller's default;
// - every write goes to disk at once, keeps every other line (comments, blank lines,
//   unparsable bytes) as it was, and creates the file on first write;
// - the file is replaced atomically (temporary file, fsync, rename), so a process killed
//   during a write leaves either the old file or the new one.
// Lines end in "\n" or "\r\n"; a written file keeps the line ending it had.
#include <QString>

namespace platform::profile {

QString ReadString(const QString& file, const QString& section, const QString& key, const QString& def);
int ReadInteger(const QString& file, const QString& section, const QString& key, int def);
// Returns false when the file could not be written (callers usually ignore it).
bool WriteString(const QString& file, const QString& section, const QString& key, const QString& value);
bool WriteInteger(const QString& file, const QString& section, const QString& key, int value);
bool DeleteKey(const QString& file, const QString& section, const QString& key);
bool EraseSection(const QString& file, const QString& section);
bool SectionExists(const QString& file, const QString& section);

}  // namespace platform::profile
