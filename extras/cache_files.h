#pragma once
// What the cache list may show and delete: only the Cache folder's own files. A path names one
// when its folder is the Cache folder itself (links and ".." resolved) and it is a regular
// file, not a link to something elsewhere.
#include <QString>

namespace extras {

bool IsCacheFile(const QString& cacheFolder, const QString& path);

// Deletes such a file; anything else is left alone (false).
bool DeleteCacheFile(const QString& cacheFolder, const QString& path);

}  // namespace extras
