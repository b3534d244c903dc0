#include "files/rename_plan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QSet>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "catalog/disp_types.h"
#include "platform/no_replace.h"
#include "platform/path_bytes.h"

namespace files {

namespace {

bool BadNameText(const QString& s) { return s.contains(QLatin1Char('/')) || s.contains(QChar(0)); }

QString NameOf(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

}  // namespace

TRuleError CheckRule(const TRenameRule& rule) {
  if (rule.Form == TRenameForm::rfNameNumber && rule.PrevName.isEmpty()) return TRuleError::reNoName;
  if (rule.Form == TRenameForm::rfNumberName && rule.LastName.isEmpty()) return TRuleError::reNoName;
  if (rule.Ext == TExtRule::erGiven && rule.GivenExt.isEmpty()) return TRuleError::reNoExt;
  const QString used[] = {rule.Form == TRenameForm::rfNameNumber ? rule.PrevName : QString(),
                          rule.Form == TRenameForm::rfNumberName ? rule.LastName : QString(),
                          rule.Ext == TExtRule::erGiven ? rule.GivenExt : QString()};
  for (const QString& s : used)
    if (BadNameText(s)) return TRuleError::reBadName;
  return TRuleError::reNone;
}

QString FormatNumber(int number, int digits) {
  QString s = QString::number(qAbs(number)).rightJustified(qMax(digits, 1), QLatin1Char('0'));
  return number < 0 ? QLatin1Char('-') + s : s;
}

QString ExtensionOf(const QString& fileName) {
  const QString name = NameOf(fileName);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  return dot < 0 ? QString() : name.mid(dot);
}

QString ApplyExtRule(const TRenameRule& rule, const QString& ext) {
  switch (rule.Ext) {
    case TExtRule::erKeep: return ext;
    case TExtRule::erUpper: return ext.toUpper();
    case TExtRule::erLower: return ext.toLower();
    case TExtRule::erGiven:
      return rule.GivenExt.startsWith(QLatin1Char('.')) ? rule.GivenExt : QLatin1Char('.') + rule.GivenExt;
  }
  return ext;
}

QString NewFileName(const TRenameRule& rule, int i, const QString& ext) {
  const QString number = FormatNumber(rule.Start + i, rule.Digits);
  QString name;
  switch (rule.Form) {
    case TRenameForm::rfNumber: name = number; break;
    case TRenameForm::rfNameNumber: name = rule.PrevName + number; break;
    case TRenameForm::rfNumberName: name = number + rule.LastName; break;
  }
  return name + ApplyExtRule(rule, ext);
}

QString TempFileName(const TRenameRule& rule, int i, const QString& ext) {
  return QLatin1Char('_') + FormatNumber(rule.Start + i, rule.Digits) + ext;
}

QStringList RenameFileList(const QString& folder, const QString& mask) {
  QString prefix = folder;
  if (!prefix.endsWith(QLatin1Char('/'))) prefix += QLatin1Char('/');
  // The folder is read once; each pattern then takes its files in that order.
  QStringList all;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(platform::PathBytes(folder).constData()), closedir);
  if (!dir) return {};
  const int fd = dirfd(dir.get());
  while (const dirent* e = readdir(dir.get())) {
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    bool isFolder = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      isFolder = fstatat(fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (!isFolder) all << prefix + platform::PathFromBytes(name);
  }
  QStringList out;
  QSet<QString> taken;
  for (const QString& pattern : mask.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    catalog::TDispTypes one;
    one.SetExt(pattern);
    for (const QString& p : all)
      if (!taken.contains(p) && one.Match(p)) {
        taken.insert(p);
        out << p;
      }
  }
  return out;
}

QStringList RenameFileList(const QStringList& shown, const QString& mask) {
  std::vector<catalog::TDispTypes> patterns;
  for (const QString& pattern : mask.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    patterns.emplace_back();
    patterns.back().SetExt(pattern);
  }
  QStringList out;
  QSet<QString> taken;
  for (const QString& p : shown) {
    if (taken.contains(p) || platform::KindOfPath(p) == platform::PathKind::Folder) continue;
    if (std::any_of(patterns.begin(), patterns.end(), [&](const catalog::TDispTypes& t) { return t.Match(p); })) {
      taken.insert(p);
      out << p;
    }
  }
  return out;
}

QStringList PresentFiles(const QStringList& files) {
  QStringList out;
  for (const QString& f : files)
    if (platform::PathTaken(f)) out << f;
  return out;
}

TRenameRun::TRenameRun(const QString& folder, const QStringList& files, const TRenameRule& rule)
    : folder_(folder), rule_(rule) {
  if (!folder_.endsWith(QLatin1Char('/'))) folder_ += QLatin1Char('/');
  for (int i = 0; i < files.size(); ++i) {
    TRenameItem item;
    item.From = item.Now = files[i];
    item.To = folder_ + NewFileName(rule_, i, ExtensionOf(files[i]));
    items_.push_back(item);
  }
}

void TRenameRun::pass(const std::vector<QString>& targets, const std::function<void(int, int)>& progress, int base) {
  const int n = int(items_.size());
  std::vector<int> waiting;
  auto step = [&](int i) {
    TRenameItem& item = items_[size_t(i)];
    if (item.Now == targets[size_t(i)]) {
      item.Error = 0;
      return true;
    }
    const int err = platform::RenameNoReplace(platform::PathBytes(item.Now), platform::PathBytes(targets[size_t(i)]));
    item.Error = err;
    if (err == 0) item.Now = targets[size_t(i)];
    return err == 0;
  };
  for (int i = 0; i < n; ++i) {
    if (!step(i)) waiting.push_back(i);
    if (progress) progress(base + i + 1, 2 * n);
  }
  // Names held by files that moved on since: again, the other way round, while any moves.
  for (bool reverse = true; !waiting.empty(); reverse = !reverse) {
    std::vector<int> still;
    const size_t before = waiting.size();
    for (size_t k = 0; k < waiting.size(); ++k) {
      const int i = reverse ? waiting[waiting.size() - 1 - k] : waiting[k];
      if (!step(i)) still.push_back(i);
    }
    if (reverse) std::reverse(still.begin(), still.end());
    if (still.size() == before) break;
    waiting.swap(still);
  }
}

void TRenameRun::Run(const std::function<void(int, int)>& progress) {
  std::vector<QString> temps, finals;
  for (int i = 0; i < int(items_.size()); ++i) {
    const TRenameItem& item = items_[size_t(i)];
    temps.push_back(folder_ + TempFileName(rule_, i, ExtensionOf(item.From)));
    finals.push_back(item.To);
  }
  pass(temps, progress, 0);
  // The extension rule takes each file's extension as it is now: the temporary name kept it.
  pass(finals, progress, int(items_.size()));
}

std::vector<TRenameItem> TRenameRun::Failed() const {
  std::vector<TRenameItem> out;
  for (const TRenameItem& item : items_)
    if (item.Now != item.To) out.push_back(item);
  return out;
}

}  // namespace files
