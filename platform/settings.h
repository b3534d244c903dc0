#pragma once
// The settings file: one INI file in the program folder, named after the executable.
// There is no in-memory copy: each TIniFile operation opens the file, reads or writes one
// key and lets it go, so every write is on disk at once and every read sees the latest.
#include <QString>

#include "platform/settings_keys.h"

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

  // The same through the key table of settings_keys.h (the key's own default).
  int Read(const IntKey& k) const { return ReadInteger(k.section, k.name, k.def); }
  QString Read(const StrKey& k) const { return ReadString(k.section, k.name, k.def); }
  int Read(const IndexedIntKey& k, int i) const { return ReadInteger(k.section, k.name(i), k.def); }
  QString Read(const IndexedStrKey& k, int i) const { return ReadString(k.section, k.name(i), k.def); }
  bool ReadBool1(const IntKey& k) const { return ReadBool1(k.section, k.name, k.def); }
  bool ReadBoolNot0(const IntKey& k) const { return ReadBoolNot0(k.section, k.name, k.def); }
  void Write(const IntKey& k, int v) const { WriteInteger(k.section, k.name, v); }
  void Write(const StrKey& k, const QString& v) const { WriteString(k.section, k.name, v); }
  void Write(const IndexedIntKey& k, int i, int v) const { WriteInteger(k.section, k.name(i), v); }
  void Write(const IndexedStrKey& k, int i, const QString& v) const { WriteString(k.section, k.name(i), v); }
  void WriteBool(const IntKey& k, bool v) const { WriteBool(k.section, k.name, v); }

 private:
  QString path_;
};

}  // namespace settings
