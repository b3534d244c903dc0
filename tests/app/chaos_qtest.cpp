// Chaos: the real main window driven through its commands in a random order while another
// "program" (a thread) creates, renames and deletes pictures in the folder shown. Every dialog
// and message box is answered by the test at random, after letting the event loop run a
// while, as a user who hesitates would (the watcher lists the folder again meanwhile).
//
// What must hold: nothing crashes (run it under ASan/UBSan), no picture's bytes are lost (a
// ledger of the content hash of every picture the test made; each must at the end be found
// somewhere under the test's folders, the Trash included, unless the churn deleted it on
// purpose or the test agreed to replace it), and once the churn stops the catalogue and the
// status bar tell the folder's true state.
//
// QIVO2_CHAOS_SEED   the seed (default: from the clock); printed at the start.
// QIVO2_CHAOS_SECONDS how long the commands run (default 20, or 60 when CI is set).
// A summary (seed, commands per kind, files churned, faults) is printed at the end.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <cstdio>
#include <atomic>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "app/status_text.h"
#include "app/widgets/cvmain.h"
#include "app/widgets/shell_tree_view.h"
#include "app/widgets/status_bar.h"
#include "catalog/file_clip.h"
#include "catalog/widgets/imgpanel.h"
#include "catalog/widgets/inplace_edit.h"
#include "edit/conversion.h"
#include "edit/widgets/progress_form.h"
#include "edit/widgets/rotate_form.h"
#include "files/widgets/create_dir.h"
#include "files/widgets/list_form.h"
#include "files/widgets/ren_file.h"
#include "files/widgets/rename_dialog.h"
#include "platform/no_replace.h"
#include "platform/path_bytes.h"
#include "platform/regular_file.h"
#include "view/widgets/preview_form.h"
#include "view/widgets/slide_form.h"

using app::TCVMain;

namespace {

QByteArray HashOf(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1); }
QByteArray ContentOf(const QString& p) { return platform::ReadRegularFile(p, 1 << 26).bytes; }

int SecondsToRun() {
  bool ok = false;
  const int s = qEnvironmentVariableIntValue("QIVO2_CHAOS_SECONDS", &ok);
  if (ok && s > 0) return s;
  return qEnvironmentVariableIsSet("CI") ? 60 : 20;
}

uint64_t SeedToUse() {
  bool ok = false;
  const qulonglong s = qEnvironmentVariable("QIVO2_CHAOS_SEED").toULongLong(&ok);
  return ok ? s : uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

// Pictures made once; each file the test makes is one of them with its own mark, so every
// file has a content of its own.
struct Templates {
  std::vector<std::pair<QString, QByteArray>> byExt;  // extension, bytes
  Templates() {
    auto picture = [](int w, int h) {
      graphics::TBitmap b(w, h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) b.ScanLine(y)[x] = uint8_t((x * 7 + y * 3) & 0xFF);
      return b;
    };
    const edit::TConvertSettings s;
    byExt.emplace_back("bmp", edit::EncodeConverted(picture(64, 48), edit::cfBMP, s));
    byExt.emplace_back("jpg", edit::EncodeConverted(picture(320, 240), edit::cfJPEG, s));
    byExt.emplace_back("png", edit::EncodeConverted(picture(100, 80), edit::cfPNG, s));
    byExt.emplace_back("jpg", edit::EncodeConverted(picture(1600, 1200), edit::cfJPEG, s));
  }
  // A BMP keeps its mark in its last pixels; JPEG and PNG readers stop before a trailer.
  std::pair<QString, QByteArray> Make(size_t which, int serial) const {
    auto [ext, bytes] = byExt[which % byExt.size()];
    const QByteArray mark = QByteArray::number(serial).rightJustified(8, '0');
    if (ext == "bmp")
      bytes.replace(bytes.size() - mark.size(), mark.size(), mark);
    else
      bytes += "QIVO2-CHAOS-" + mark;
    return {ext, bytes};
  }
};

// Every picture made, the ones the churn deleted on purpose, and those the test agreed to
// have replaced.
class Ledger {
 public:
  void Made(const QByteArray& hash, const QString& name) {
    std::lock_guard lock(m_);
    made_.emplace(hash, name);
  }
  void Deleted(const QByteArray& hash) {
    std::lock_guard lock(m_);
    excused_.insert(hash);
  }
  void Replaced(const QString& path) {
    const QByteArray bytes = ContentOf(path);
    if (bytes.isEmpty()) return;
    std::lock_guard lock(m_);
    excused_.insert(HashOf(bytes));
  }
  // The names of pictures whose bytes are nowhere under root.
  QStringList Lost(const QString& root) {
    std::set<QByteArray> found;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) found.insert(HashOf(ContentOf(it.next())));
    std::lock_guard lock(m_);
    QStringList lost;
    for (const auto& [hash, name] : made_)
      if (!found.count(hash) && !excused_.count(hash)) lost << name;
    return lost;
  }
  size_t MadeCount() {
    std::lock_guard lock(m_);
    return made_.size();
  }

 private:
  std::mutex m_;
  std::map<QByteArray, QString> made_;
  std::set<QByteArray> excused_;
};

// Another program in the folder: makes pictures (appearing whole, by a rename into place),
// renames and deletes them.
class Churn {
 public:
  Churn(const QString& folder, const QString& scratch, const Templates& t, Ledger& ledger, uint64_t seed)
      : folder_(folder), scratch_(scratch), templates_(t), ledger_(ledger), rng_(seed) {}
  ~Churn() { Stop(); }

  void MakeOne() {
    const int serial = serial_++;
    auto [ext, bytes] = templates_.Make(rng_(), serial);
    const QString name = QStringLiteral("c%1.%2").arg(serial, 5, 10, QLatin1Char('0')).arg(ext);
    ledger_.Made(HashOf(bytes), name);
    const QString temp = scratch_ + "/" + name;
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return;
    f.close();
    if (platform::RenameNoReplace(platform::PathBytes(temp), platform::PathBytes(folder_ + "/" + name)) == 0)
      ++created;
  }
  void Start() {
    thread_ = std::thread([this] {
      while (!stop_.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(10, 120)(rng_)));
        Step();
      }
    });
  }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  std::atomic<int> created{0}, renamed{0}, deleted{0};

 private:
  void Step() {
    const QStringList files = QDir(folder_).entryList(QDir::Files);
    const int r = std::uniform_int_distribution<int>(0, 99)(rng_);
    if (files.size() < 6 || (r < 45 && files.size() < 40)) return MakeOne();
    const QString pick = files[std::uniform_int_distribution<int>(0, int(files.size()) - 1)(rng_)];
    if (r < 75) {
      const int serial = serial_++;
      const QString to = QStringLiteral("c%1r.%2").arg(serial, 5, 10, QLatin1Char('0')).arg(QFileInfo(pick).suffix());
      if (platform::RenameNoReplace(platform::PathBytes(folder_ + "/" + pick), platform::PathBytes(folder_ + "/" + to)) == 0)
        ++renamed;
      return;
    }
    // Taken out of the folder in one step, so what is recorded is exactly what went.
    const QString away = scratch_ + "/deleted-" + QString::number(serial_++);
    if (platform::RenameNoReplace(platform::PathBytes(folder_ + "/" + pick), platform::PathBytes(away)) != 0) return;
    ledger_.Deleted(HashOf(ContentOf(away)));
    QFile::remove(away);
    ++deleted;
  }

  const QString folder_, scratch_;
  const Templates& templates_;
  Ledger& ledger_;
  std::mt19937_64 rng_;
  std::atomic<bool> stop_{false};
  std::atomic<int> serial_{0};
  std::thread thread_;
};

}  // namespace

class ChaosTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> home_, data_;
  QString root_, folder_, save_;
  std::mt19937_64 rng_;
  std::map<QString, int> runs_;
  QStringList faults_;
  Ledger ledger_;
  int names_ = 0;

  int Roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Roll(100) < percent; }
  // A user who hesitates: the event loop runs, and with it the watcher.
  void Hesitate() {
    if (Chance(60)) QTest::qWait(Roll(120));
  }

  // The window with every box and dialog answered at random.
  struct Window {
    TCVMain w;
    QString pendingCopyTarget;  // the copy under a new name's target while its OK runs
    bool dropping = false;  // files from elsewhere dropped into the folder
  };

  QMessageBox::StandardButton AnswerBox(Window& x, const QString& text, QMessageBox::StandardButtons buttons) {
    Hesitate();
    QList<QMessageBox::StandardButton> choices;
    for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::NoToAll})
      if (buttons & b) choices << b;
    if (choices.isEmpty()) return QMessageBox::Ok;
    const QMessageBox::StandardButton answer = choices[Roll(int(choices.size()))];
    if (answer != QMessageBox::Yes) return answer;
    // Consent to replace a file: what it holds may go.
    static const QRegularExpression named(QStringLiteral("「(.*)」は既に存在します"));
    // A replace within the folder shown is one of its files onto itself (paste, a save folder
    // that is the folder): never consent to losing it.
    if (const auto m = named.match(text);
        m.hasMatch() && (x.dropping || QFileInfo(m.captured(1)).canonicalPath() != folder_))
      ledger_.Replaced(m.captured(1));
    if (text.startsWith(QStringLiteral("指定されたファイル名は既に存在します。上書き")) && !x.pendingCopyTarget.isEmpty())
      ledger_.Replaced(x.pendingCopyTarget);
    return answer;
  }

  QString FreshName(const char* prefix) { return QStringLiteral("%1%2").arg(prefix).arg(++names_); }

  int AnswerDialog(Window& x, QDialog* d) {
    Hesitate();
    ++runs_[QStringLiteral("dialog ") + d->metaObject()->className()];
    if (auto* f = qobject_cast<files::TRenFile*>(d)) {
      if (Chance(25)) return QDialog::Rejected;
      // Now and then a name that is taken.
      const QStringList taken = QDir(f->TargetFolder).entryList(QDir::Files);
      const QString name = Chance(20) && !taken.isEmpty() ? QFileInfo(taken[Roll(int(taken.size()))]).completeBaseName()
                                                          : FreshName("f");
      f->editNewName->setText(name);
      x.pendingCopyTarget = QDir(f->TargetFolder).filePath(name + f->lblExt->text());
      f->btnOKClick();
      x.pendingCopyTarget.clear();
      return f->result();
    }
    if (auto* r = qobject_cast<files::TRename*>(d)) {
      if (Chance(40)) return QDialog::Rejected;
      r->editPrevName->setText(FreshName("k") + "_");
      r->btnOKClick();
      return r->result();
    }
    if (auto* c = qobject_cast<files::TCreateDir*>(d)) {
      for (int i = Roll(4); i > 0; --i) {
        switch (Roll(5)) {
          case 0: c->btnBrowseClick(); break;
          case 1: c->btnDeleteClick(); break;
          case 2: c->btnUpClick(); break;
          case 3: c->btnDownClick(); break;
          default:
            c->SetCreateMode(true);
            c->editFolderName->setText(FreshName("made"));
            c->btnCreateFolderClick();
        }
        Hesitate();
      }
      if (Chance(50)) return QDialog::Rejected;
      c->btnOKClick();
      return c->result();
    }
    if (auto* l = qobject_cast<files::TListForm*>(d)) {
      for (int i = Roll(3); i > 0; --i) {
        switch (Roll(4)) {
          case 0: l->btnAddClick(); break;
          case 1: l->btnDeleteClick(); break;
          case 2: l->btnUpClick(); break;
          default: l->btnDownClick();
        }
      }
      if (Chance(50)) return QDialog::Rejected;
      l->btnOKClick();
      return l->result();
    }
    return Chance(50) ? QDialog::Accepted : QDialog::Rejected;
  }

  void Hook(Window& x) {
    TCVMain& w = x.w;
    w.InformationBox = [this](const QString&) { Hesitate(); };
    w.WarningBox = [this](const QString&) { Hesitate(); };
    w.Beep = [] {};
    w.FileMessageBox = [this, &x](QMessageBox::Icon, const QString&, const QString& text,
                                  QMessageBox::StandardButtons buttons) { return AnswerBox(x, text, buttons); };
    w.FileBrowseFolder = [this](const QString&) {
      return Chance(30) ? QString() : root_ + (Chance(50) ? "/saved" : "/saved2");
    };
    w.RunFileDialog = [this, &x](QDialog* d) { return AnswerDialog(x, d); };
    w.ConvertConfirmBox = [this](const QString&) {
      Hesitate();
      const int r = Roll(10);
      return int(r < 6 ? QMessageBox::Yes : r < 9 ? QMessageBox::No : QMessageBox::Cancel);
    };
    w.ConvertOverwriteBox = [this, &x](const QString& text) {
      Hesitate();
      if (!Chance(50)) return false;
      const QString name = text.left(text.indexOf(QStringLiteral("は既に存在します")));
      ledger_.Replaced(QDir(x.w.SaveFolder).filePath(name));
      return true;
    };
    w.ExecExtrasDialog = [this](QDialog* d) {
      ++runs_[QStringLiteral("dialog ") + d->metaObject()->className()];
      Hesitate();
      return int(QDialog::Rejected);  // never a wallpaper of the machine's desktop
    };
    w.OpenUrl = [](const QUrl&) {};
    w.StartProgram = [](const QString&, const QStringList&) {};
    w.ConvertJobs = 2;
    catalog::TImgPanel* p = w.ImgPanel1;
    p->ExecuteFile = [](const QString&) {};
    p->OpenWithAssociation = [](const QString&) {};
    p->AskDropAction = [this](QPoint) -> std::optional<catalog::TTransfer> {
      Hesitate();
      const int r = Roll(4);
      if (r == 3) return std::nullopt;
      return r == 0 ? catalog::TTransfer::ttCopy : r == 1 ? catalog::TTransfer::ttMove : catalog::TTransfer::ttLink;
    };
  }

  // Windows the program opens without waiting for them: answered or closed now and then.
  void AnswerOpenWindows() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      if (auto* menu = qobject_cast<QMenu*>(popup)) {
        QList<QAction*> usable;
        for (QAction* a : menu->actions())
          if (a->isEnabled() && !a->isSeparator() && !a->menu()) usable << a;
        if (!usable.isEmpty() && Chance(50)) {
          QAction* a = usable[Roll(int(usable.size()))];
          ++runs_["menu " + a->text()];
          menu->close();
          a->trigger();
          return;
        }
      }
      popup->close();
      return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (auto* notice = qobject_cast<edit::TProgressForm*>(modal)) {
      if (notice->btnStop->isVisible() && Chance(10)) notice->btnStop->click();
      return;
    }
    if (auto* progress = qobject_cast<QProgressDialog*>(modal)) {
      if (Chance(20)) progress->cancel();
      return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      // The options windows check their own fields with boxes of their own.
      ++runs_["unhooked box " + box->text().left(20)];
      box->reject();
      return;
    }
    if (auto* d = qobject_cast<QDialog*>(modal)) {
      ++runs_[QStringLiteral("dialog ") + d->metaObject()->className()];
      Chance(50) ? d->accept() : d->reject();
    }
  }

  void CloseViewers(Window& x, bool all) {
    for (auto* f : x.w.findChildren<view::TPreviewForm*>())
      if (all || Chance(50)) f->close();
    if (x.w.SlideForm && (all || Chance(30))) x.w.SlideForm->close();
    if (x.w.RotateF && (all || Chance(40))) x.w.RotateF->close();
  }

  using Command = std::pair<const char*, std::function<void(Window&)>>;
  std::vector<Command> Commands() {
    auto menu = [](const char* name) { return [name](Window& x) { x.w.Menus[name]->trigger(); }; };
    std::vector<Command> c = {
        {"select one", [this](Window& x) {
           if (x.w.ImgPanel1->Count() > 0) x.w.ImgPanel1->SelectOnly(Roll(x.w.ImgPanel1->Count()));
           x.w.ImgPanel1Click();
         }},
        {"select more", [this](Window& x) {
           catalog::TImgPanel* p = x.w.ImgPanel1;
           if (p->Count() > 0) p->SelectItem(Roll(p->Count()), Chance(50) ? Qt::ShiftModifier : Qt::ControlModifier, false);
           x.w.ImgPanel1Click();
         }},
        {"select all", menu("SelectAll1")},
        {"delete", menu("Delete1")},
        {"copy", menu("Copy1")},
        {"move", menu("GoTo1")},
        {"copy as", menu("NameChCopy1")},
        {"rename", menu("Rename1")},
        {"numbered rename", menu("RenameAll1")},
        {"properties", menu("Property1")},
        {"save folders", menu("SetFolder1")},
        {"add favourite", menu("AddFavorite1")},
        {"edit favourites", menu("EditFavorite1")},
        {"folder menus", [this](Window& x) {
           x.w.Folder1Click();
           for (const char* sub : {"ChangeFolder1", "OpenFavorite1"}) {
             const QList<QAction*> items = x.w.Menus[sub]->menu()->actions();
             if (!items.isEmpty() && Chance(50)) items[Roll(int(items.size()))]->trigger();
           }
         }},
        {"real size", menu("RealSize1")},
        {"full screen", menu("FullScreen1")},
        {"slide show", menu("SlideStart1")},
        {"slide steps", [this](Window& x) {
           auto* s = qobject_cast<view::TSlideForm*>(x.w.SlideForm.data());
           if (!s) return;
           switch (Roll(4)) {
             case 0: s->NextImageClick(); break;
             case 1: s->PrevImageClick(); break;
             case 2: s->SlideCopyClick(); break;
             default: s->SlideTimerTimer();
           }
         }},
        {"preview pane", [this](Window& x) {
           x.w.SetPreview1->trigger();
           if (Chance(50)) x.w.ImgPanel1Click();
         }},
        {"preview window", [this](Window& x) {
           const auto forms = x.w.findChildren<view::TPreviewForm*>();
           if (forms.isEmpty()) return;
           view::TPreviewForm* f = forms[Roll(int(forms.size()))];
           switch (Roll(4)) {
             case 0: f->Zoom(Roll(view::kZoomSteps)); break;
             case 1: f->RLeft1Click(); break;
             case 2: f->RRightClick(); break;
             default: f->ReLoad1Click();
           }
         }},
        {"editor", [this](Window& x) { Edit(x); }},
        {"convert", [this](Window& x) { x.w.ConvertClick(Roll(3)); }},
        {"conversion settings", menu("SetConvert1")},
        {"options", menu("Option1")},
        {"slide options", menu("SlideOption1")},
        {"cache list", menu("CacheList1")},
        {"about", menu("About1")},
        {"wallpaper", menu("SetWallPaper1")},
        {"refresh", menu("Refresh1")},
        {"sort", [this](Window& x) { x.w.SortClick(Roll(4)); }},
        {"page", [this](Window& x) { x.w.PageClick(Roll(4)); }},
        {"up and back", [this](Window& x) {
           x.w.UpFolder1Click();
           Hesitate();
           x.w.ShellTreeView1->SelectPath(folder_);
         }},
        {"context menu", [](Window& x) {
           catalog::TImgPanel* p = x.w.ImgPanel1;
           if (p->Current()) p->ShowContextMenu(p->mapToGlobal(QPoint(10, 10)));
         }},
        {"clipboard verbs", [this](Window& x) {
           catalog::TImgPanel* p = x.w.ImgPanel1;
           const int r = Roll(4);
           p->InvokeVerb(r == 0 ? catalog::TImgPanel::vbCopy : r == 1 ? catalog::TImgPanel::vbPaste
                                                                       : r == 2 ? catalog::TImgPanel::vbCut
                                                                                : catalog::TImgPanel::vbDelete);
         }},
        {"drop", [this](Window& x) {
           // Files from elsewhere: a drop of the folder's own files onto it is the paste's case.
           if (x.w.SaveFolder.isEmpty() || QDir(x.w.SaveFolder).canonicalPath() == folder_) return;
           const QStringList saved = QDir(x.w.SaveFolder).entryList(QDir::Files);
           if (saved.isEmpty()) return;
           QList<QUrl> urls{QUrl::fromLocalFile(QDir(x.w.SaveFolder).filePath(saved[Roll(int(saved.size()))]))};
           QMimeData data;
           data.setUrls(urls);
           x.dropping = true;
           x.w.ImgPanel1->DropFiles(&data, QPoint(Roll(300), Roll(300)), Chance(50) ? Qt::CopyAction : Qt::MoveAction,
                                    Chance(30) ? Qt::RightButton : Qt::NoButton);
           x.dropping = false;
         }},
        {"rename in place", [this](Window& x) {
           catalog::TImgPanel* p = x.w.ImgPanel1;
           if (p->Count() == 0 || !p->EditCaption(Roll(p->Count()))) return;
           Hesitate();
           catalog::TImgInplaceEdit* e = p->InplaceEdit();
           if (!e->Editing()) return;
           e->selectAll();
           e->insertPlainText(FreshName("i") + ".bmp");
           QTest::keyClick(e, Chance(70) ? Qt::Key_Return : Qt::Key_Escape);
         }},
    };
    return c;
  }

  void Edit(Window& x) {
    if (!x.w.RotateF) {
      x.w.Rotate1Click();
      auto* e = qobject_cast<edit::TRotateF*>(x.w.RotateF.data());
      if (!e) return;
      e->WarningBox = [this](const QString&) { Hesitate(); };
      e->ErrorBox = [this](const QString&) { Hesitate(); };
      e->AskYesNo = [this](const QString&) { return Chance(50); };
      // Saved beside the copies, under names of its own.
      e->ChooseSaveName = [this, &x](const QString&, const QString&, const QString&) {
        return Chance(20) ? QString() : QDir(x.w.SaveFolder.isEmpty() ? save_ : x.w.SaveFolder).filePath(FreshName("e"));
      };
      return;
    }
    auto* e = qobject_cast<edit::TRotateF*>(x.w.RotateF.data());
    switch (Roll(7)) {
      case 0: e->RLeftClick(); break;
      case 1: e->RRightClick(); break;
      case 2: e->GammaPlusClick(); break;
      case 3: e->BrightMinusClick(); break;
      case 4: e->SaveClick(edit::TConvertFormat(Roll(3))); break;
      case 5: e->SetFreeClick(); break;
      default: e->close();
    }
  }

 private slots:
  void chaos() {
    const uint64_t seed = SeedToUse();
    const int seconds = SecondsToRun();
    std::fprintf(stderr, "chaos: seed %llu, %d s (QIVO2_CHAOS_SEED, QIVO2_CHAOS_SECONDS)\n", qulonglong(seed), seconds);
    rng_.seed(seed);
    home_ = std::make_unique<QTemporaryDir>();
    data_ = std::make_unique<QTemporaryDir>();
    root_ = QDir(data_->path()).canonicalPath();
    folder_ = root_ + "/pictures";
    save_ = root_ + "/saved/";
    for (const QString& d : {folder_, save_, root_ + "/saved2", root_ + "/churn", root_ + "/trash-home"}) QDir().mkpath(d);
    qputenv("QIVO2_HOME", home_->path().toUtf8());
    qputenv("XDG_DATA_HOME", (root_ + "/trash-home").toUtf8());
    QApplication::clipboard()->clear();

    const Templates templates;
    Churn churn(folder_, root_ + "/churn", templates, ledger_, seed + 1);
    for (int i = 0; i < 12; ++i) churn.MakeOne();
    {
      Window x;
      Hook(x);
      x.w.SaveFolder = save_;
      x.w.show();
      x.w.ShellTreeView1->SelectPath(folder_);
      QTimer answer;
      connect(&answer, &QTimer::timeout, this, [this] { AnswerOpenWindows(); });
      answer.start(40);
      churn.Start();
      const std::vector<Command> commands = Commands();
      QElapsedTimer clock;
      clock.start();
      while (clock.elapsed() < seconds * 1000LL) {
        const Command& c = commands[size_t(Roll(int(commands.size())))];
        ++runs_[c.first];
        c.second(x);
        if (auto* s = qobject_cast<view::TSlideForm*>(x.w.SlideForm.data())) s->ShowError = [](const QString&) {};
        if (Chance(20)) CloseViewers(x, false);
        if (x.w.ImgPanel1->FolderPath() != folder_ && Chance(50)) x.w.ShellTreeView1->SelectPath(folder_);
        QTest::qWait(Roll(30));
      }
      churn.Stop();
      CloseViewers(x, true);
      QTest::qWait(100);
      answer.stop();
      if (x.w.ImgPanel1->FolderPath() != folder_) x.w.ShellTreeView1->SelectPath(folder_);
      // The watcher's last word: the list and the counts as the folder is now.
      churn.MakeOne();
      QSet<QString> onDisk;
      auto listed = [&] {
        onDisk.clear();
        for (const QString& f : QDir(folder_).entryList(QDir::Files)) onDisk << folder_ + "/" + f;
        QSet<QString> shown;
        for (int i = 0; i < x.w.ImgPanel1->Count(); ++i) shown << x.w.ImgPanel1->Item(i)->GetParseName();
        return shown == onDisk;
      };
      if (!QTest::qWaitFor(listed, 10000)) faults_ << "the catalogue does not list the folder as it is";
      const QString status = x.w.StatusBar1->PanelText(0);
      const QString total = app::TotalText(x.w.ImgPanel1->Count());
      static const QRegularExpression count(QStringLiteral("^Count： \\d+/(\\d+)$"));
      const auto m = count.match(status);
      if (status != total && !(m.hasMatch() && m.captured(1).toInt() == x.w.ImgPanel1->Count()))
        faults_ << "status bar: \"" + status + "\" with " + QString::number(x.w.ImgPanel1->Count()) + " entries";
    }
    for (const QString& name : ledger_.Lost(root_)) faults_ << "lost the bytes of " + name;

    int total = 0;
    for (const auto& [kind, n] : runs_) {
      std::fprintf(stderr, "chaos: %6d  %s\n", n, qPrintable(kind));
      total += n;
    }
    // On stderr: Qt Test drops messages past its warning cap, which a long run reaches.
    std::fprintf(stderr, "chaos: seed %llu; %d runs; pictures made %zu, churn created %d, renamed %d, deleted %d; %d faults\n",
          qulonglong(seed), total, ledger_.MadeCount(), churn.created.load(), churn.renamed.load(),
          churn.deleted.load(), int(faults_.size()));
    for (const QString& f : faults_) std::fprintf(stderr, "chaos fault: %s\n", qPrintable(f));
    QVERIFY2(faults_.isEmpty(), qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(faults_.join("; "))));
    qunsetenv("QIVO2_HOME");
    qunsetenv("XDG_DATA_HOME");
  }
};

QTEST_MAIN(ChaosTest)
#include "chaos_qtest.moc"
