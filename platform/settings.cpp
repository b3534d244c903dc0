#include "platform/settings.h"

#include "platform/app_folder.h"
#include "platform/profile.h"

namespace settings {

QString SettingsFileName() { return platform::settingsFilePath(); }

TIniFile::TIniFile() : path_(SettingsFileName()) {}
TIniFile::TIniFile(const QString& path) : path_(path) {}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
  return platform::profile::ReadString(path_, section, key, def);
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
  return platform::profile::ReadInteger(path_, section, key, def);
}

bool TIniFile::ReadBool1(const QString& section, const QString& key, int def) const {
  return ReadInteger(section, key, def) == 1;
}

bool TIniFile::ReadBoolNot0(const QString& section, const QString& key, int def) const {
  return ReadInteger(section, key, def) != 0;
}

// Write failures are not reported to the user.
void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) const {
  platform::profile::WriteString(path_, section, key, value);
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) const {
  platform::profile::WriteInteger(path_, section, key, value);
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) const {
  WriteInteger(section, key, value ? 1 : 0);
}

void TIniFile::DeleteKey(const QString& section, const QString& key) const {
  platform::profile::DeleteKey(path_, section, key);
}

void TIniFile::EraseSection(const QString& section) const {
  platform::profile::EraseSection(path_, section);
}

}  // namespace settings
