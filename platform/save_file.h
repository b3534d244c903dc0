#pragma once
// QSaveFile for any file name: the data goes to a new file beside the target, which takes
// the target's name only when it is complete and synced, so a failed or killed write leaves
// the old file (or none). The names are the path's own bytes (platform/path_bytes.h), which
// QSaveFile cannot keep. A target that exists is replaced (callers ask before that), unless
// the file is opened with TReplace::Never: then Commit fails with EEXIST and nothing changes.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace platform {

enum class TReplace { Allowed, Never };

class TSaveFile {
 public:
  explicit TSaveFile(const QString& target, TReplace replace = TReplace::Allowed);
  ~TSaveFile();  // a file never committed is removed
  TSaveFile(const TSaveFile&) = delete;
  TSaveFile& operator=(const TSaveFile&) = delete;

  // Creates the new file; false when the folder does not take it.
  bool Open();
  QIODevice& Device() { return file_; }
  // Writes everything out and puts the file in place; false (and nothing replaced) on failure.
  bool Commit();
  // The errno of the last failed Open or Commit (EEXIST: the target appeared, TReplace::Never).
  int Error() const { return error_; }
  // The hidden temporary name being written, empty when none.
  const QByteArray& TempPath() const { return temp_; }

 private:
  QByteArray target_, temp_;
  QFile file_;
  int fd_ = -1;
  int error_ = 0;
  TReplace replace_;
};

}  // namespace platform
