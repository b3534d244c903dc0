#include "catalog/masked_file_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "catalog/disp_types.h"
#include "platform/path_bytes.h"

namespace catalog {

QStringList MaskedFileList(const QString& folder, const QString& mask) {
  catalog::TDispTypes types;
  types.SetExt(mask);
  QString prefix = folder;
  if (!prefix.endsWith(QLatin1Char('/'))) prefix += QLatin1Char('/');

  QStringList files;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(platform::PathBytes(folder).constData()), closedir);
  if (!dir) return files;
  const int fd = dirfd(dir.get());
  while (const dirent* e = readdir(dir.get())) {
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    const QString path = prefix + platform::PathFromBytes(name);
    if (!types.Match(path)) continue;
    bool folderEntry = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      folderEntry = fstatat(fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (!folderEntry) files << path;
  }
  std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  // Names equal but for letter case stay: they are two files here.
  files.erase(std::unique(files.begin(), files.end()), files.end());
  return files;
}

}  // namespace catalog
