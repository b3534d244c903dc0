#pragma once
// Which entries the catalogue lists: folders, non-folders, hidden ones, and an extension
// mask. The mask is ";"-separated with no other separator (blanks belong to an entry); an
// entry is "*" + extension or a whole file name; there are no other wildcards.
#include <QString>
#include <bitset>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace catalog {

class TDispTypes {
 public:
  bool Folders() const { return folders_; }
  bool NonFolders() const { return nonFolders_; }
  bool Hidden() const { return hidden_; }
  const QString& Ext() const { return ext_; }
  // The normalised mask (";*.*;" when empty).
  const QString& Mask() const { return mask_; }

  // Each setter raises OnChange when the value differs.
  void SetFolders(bool v);
  void SetNonFolders(bool v);
  void SetHidden(bool v);
  void SetExt(const QString& v);

  // False when the mask lets everything through.
  bool FilterActive() const { return filterActive_; }
  // Whether a path's file name passes the mask.
  bool Match(const QString& path) const;
  // The same for a name given by its bytes (no folder part), without building a path.
  bool MatchName(std::string_view nameBytes) const;

  std::function<void()> OnChange;

 private:
  void changed() {
    if (OnChange) OnChange();
  }
  bool folders_ = true;
  bool nonFolders_ = true;
  bool hidden_ = true;
  QString ext_ = QStringLiteral("*.*");
  QString mask_ = QStringLiteral(";*.*;");
  std::string maskUtf8_ = ";*.*;";
  static constexpr size_t kMaxName = 255;
  bool filterActive_ = false;
  // The mask's entries, so a name is looked up rather than searched for in the whole mask.
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_set<std::string, Hash, std::equal_to<>> entries_;
  // Lengths some entry has: most names have none of them and need no look-up.
  std::bitset<kMaxName + 2> entryLengths_;
};

}  // namespace catalog
