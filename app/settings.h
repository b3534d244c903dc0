#pragma once
// The settings file: one INI file in the program folder, named after the executable.
// There is no in-memory copy: each TIniFile operation opens the file, reads or writes one
// key and lets it go, so every write is on disk at once and every read sees the latest.
#include <QString>

namespace settings {

// The settings file's path (programFolder()/<executable>.ini).
QString SettingsFileName();

class TIniFile {
 public:
  TIniFile();                               // the settings file
  explicit TIniFile(const QString& path);   // any INI file (tests)
  const QString& FileName() const { return path_; }

  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  int ReadInteger(const QString& section, const QString& key, int def) const;
  // Yes/no keys: "tested against 1" (only 1 means yes).
  bool ReadBool1(const QString& section, const QString& key, int def) const;
  // Yes/no keys that mean yes for any value other than 0 (PathCheck, History Menu, Slide Name).
  bool ReadBoolNot0(const QString& section, const QString& key, int def) const;
  void WriteString(const QString& section, const QString& key, const QString& value) const;
  void WriteInteger(const QString& section, const QString& key, int value) const;
  void WriteBool(const QString& section, const QString& key, bool value) const;  // 1 / 0
  void DeleteKey(const QString& section, const QString& key) const;
  void EraseSection(const QString& section) const;

 private:
  QString path_;
};

}  // namespace settings
