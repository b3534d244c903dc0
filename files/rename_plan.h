#pragma once
// The numbered rename: the new name of each listed picture, the list itself, and the run in
// two passes (every file to "_" + number + its own extension, then to its new name), so that
// new names never collide with old ones. Both passes work on one list captured once, so they
// see the same order however the folder lists itself after the first pass.
// Nothing is ever replaced: every rename is RenameNoReplace. A rename that would replace a
// file is skipped and the next file goes on; a skipped file is tried again after the others
// moved (in reverse order, which undoes chains of names waiting on each other). A kill at any
// moment leaves every file present, some perhaps under their temporary names.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace files {

enum class TRenameForm { rfNumber, rfNameNumber, rfNumberName };
enum class TExtRule { erKeep, erUpper, erLower, erGiven };

struct TRenameRule {
  TRenameForm Form = TRenameForm::rfNumber;
  QString PrevName;  // text before the number (rfNameNumber)
  QString LastName;  // text after the number (rfNumberName)
  int Start = 1;     // 0..99999
  int Digits = 3;    // 1..10
  TExtRule Ext = TExtRule::erKeep;
  QString GivenExt;  // erGiven: "." added when missing
};

enum class TRuleError { reNone, reNoName, reNoExt, reBadName };
// reNoName: the form's text is empty; reNoExt: erGiven without text; reBadName: a text holds
// "/" or a NUL, which would send files into other folders.
TRuleError CheckRule(const TRenameRule& rule);

// The number in decimal with at least `digits` digits, zero-padded.
QString FormatNumber(int number, int digits);
// A file name's extension with its dot (after the last dot), "" when none.
QString ExtensionOf(const QString& fileName);
QString ApplyExtRule(const TRenameRule& rule, const QString& ext);
// The new file name (no folder) of the file at list position i with extension ext.
QString NewFileName(const TRenameRule& rule, int i, const QString& ext);
// The temporary name of the first pass.
QString TempFileName(const TRenameRule& rule, int i, const QString& ext);

// Every non-folder of the folder matching one of the ";"-separated patterns, patterns in mask
// order and within one pattern the folder's own order; each file once (at its first pattern).
QStringList RenameFileList(const QString& folder, const QString& mask);
// The files of `shown` (full paths, in the catalogue's order) that match one of the patterns
// and are no folder, in that same order: the numbers follow what the user sees.
QStringList RenameFileList(const QStringList& shown, const QString& mask);
// The files of the list whose names are still there (a link counts, whatever it points to).
QStringList PresentFiles(const QStringList& files);

// One file's planned and actual fate.
struct TRenameItem {
  QString From;     // full path as listed
  QString To;       // full path of the new name
  QString Now;      // where the file is after the run
  int Error = 0;    // errno of the last failed rename of this file (0: it got its new name)
};

class TRenameRun {
 public:
  TRenameRun(const QString& folder, const QStringList& files, const TRenameRule& rule);
  const std::vector<TRenameItem>& Items() const { return items_; }
  // Both passes. `progress(done, total)` after each rename step (2 × files in all).
  void Run(const std::function<void(int, int)>& progress = {});
  // Files that did not get their new name.
  std::vector<TRenameItem> Failed() const;

 private:
  void pass(const std::vector<QString>& targets, const std::function<void(int, int)>& progress, int base);

  QString folder_;
  TRenameRule rule_;
  std::vector<TRenameItem> items_;
};

}  // namespace files
