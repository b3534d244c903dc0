#pragma once
// Batch conversion to BMP, JPEG or PNG, one file at a time: load, resize by the size mode,
// optionally reduce to 256 colours, write under the source's name with the new extension.
// Plain C++: the batch-conversion window and the qivo2-convert tool both run this code.
// A source is never written to unless it is also the target and the overwrite question
// said yes; every file is written through a temporary file and renamed into place.
#include <QSize>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <vector>

#include "graphics/bitmap.h"
#include "platform/save_file.h"

namespace settings {
class TIniFile;
}

namespace edit {

enum TConvertFormat { cfBMP, cfJPEG, cfPNG };

// The run settings, read anew by each run.
struct TConvertSettings {
  int SizeMode = 0;     // 0 none, 1 percent, 2 width, 3 height, 4 fit within
  int SizeValue = 100;  // N of the size mode
  bool ReduceBMP = false;
  int Quality = 80;
  bool Progressive = false;
  bool Grayscale = false;
  int Level = 1;
  bool Interlace = false;
  bool ReducePNG = false;
};

// [Convert] Item and Size1..Size4, [Color] Bit, [JPEG] Compress/Progressive/Grayscale,
// [PNG] Level/Interlace/Color, with the defaults and the -1 and out-of-range rules.
TConvertSettings ReadConvertSettings(const settings::TIniFile& ini);

// ".bmp", ".jpg", ".png".
QString FormatExtension(TConvertFormat format);
// "bmp", "jpg", "jpeg", "png" in any case (with or without the dot); false otherwise.
bool FormatFromExtension(const QString& ext, TConvertFormat& format);

// The size mode's target size for a W × H picture. A side that comes out below 1 stays
// so (the caller treats it as a failure); a side beyond int is clamped to INT_MAX.
QSize ConvertTargetSize(int width, int height, int mode, int value);

// False for icons, cursors and animated cursors (".ico", ".cur", ".ani", any case).
bool IsConvertibleFile(const QString& path);
// The source's file name (no folder) with its extension replaced.
QString ConvertTargetName(const QString& sourcePath, TConvertFormat format);

// The confirmation question of a run, lines separated by a lone "\r".
QString ConvertConfirmationText(TConvertFormat format, const TConvertSettings& s);

// Loads a whole picture into a bitmap; throws graphics::EInvalidGraphic when it cannot.
// Callers pass the program's plain loader, so conversion reads what viewing reads.
using TPictureLoader = std::function<graphics::TBitmap(const QString& path)>;

// Resize by the size mode, then the format's 256-colour reduction. Throws
// graphics::EInvalidGraphic naming the reason (empty or too large target).
void PrepareConvertBitmap(graphics::TBitmap& bitmap, TConvertFormat format, const TConvertSettings& s);
// The file's bytes for the format. The editor's saves, the batch window and qivo2-convert
// all write what this returns, so the same settings give the same file everywhere.
QByteArray EncodeConverted(const graphics::TBitmap& bitmap, TConvertFormat format, const TConvertSettings& s);
// Puts bytes under target through a temporary file in its folder, renamed into place when
// complete; with TReplace::Never a target that exists by then is left alone (the throw's
// reason says so). Throws graphics::EInvalidGraphic.
void WriteBytesAtomically(const QByteArray& bytes, const QString& target,
                          platform::TReplace replace = platform::TReplace::Allowed);
// EncodeConverted + WriteBytesAtomically.
void WriteConvertedFile(const graphics::TBitmap& bitmap, TConvertFormat format, const TConvertSettings& s,
                        const QString& target, platform::TReplace replace = platform::TReplace::Allowed);
// Load, prepare and write one file. Throws graphics::EInvalidGraphic with the reason.
void ConvertFile(const QString& source, const QString& target, TConvertFormat format, const TConvertSettings& s,
                 const TPictureLoader& loader);

enum TConvertStatus {
  csConverted,
  csSkipped,     // icon or cursor
  csFailed,      // load, resize or write failed; Reason says why
  csNotReached,  // the run stopped at a refused overwrite before this file
};

struct TConvertOutcome {
  QString Source;
  QString Target;
  TConvertStatus Status = csNotReached;
  QString Reason;
  // The source whose output of this same run this one replaced (two sources of one name).
  QString Replaced;
};

struct TConvertHooks {
  // Asked with the target's file name when the target exists; false ends the run.
  std::function<bool(const QString& targetName)> AskOverwrite;
  // Before each source: its place (1-based) and the number of sources.
  std::function<void(int n, int total)> Progress;
  // Asked before each source; true ends the run there (what is written stays).
  std::function<bool()> StopRequested;
  // Called on the calling thread while it waits for the workers (the window lets events run).
  std::function<void()> Idle;
  // Around each file's work (the window shows its loading notice there).
  std::function<void(const QString& source)> FileStarted;
  std::function<void(const QString& source)> FileFinished;
  // Longest time one file may take to load and encode (0: no limit). A file over it fails
  // with "timed out"; its worker is left behind with its loader, never used again, and the
  // rest of the run goes on with a new one.
  std::chrono::milliseconds FileTimeout{0};
};

struct TConvertRunResult {
  std::vector<TConvertOutcome> Outcomes;  // one per source, in order
  bool NotProcessed = false;               // some file skipped or failed
  bool Stopped = false;                    // an overwrite was refused
  bool StoppedByUser = false;              // StopRequested said so
  // Workers left behind by FileTimeout that still run: the caller must not wait for them
  // (nor unload what they decode with) and ends the process instead.
  int StuckWorkers = 0;
};

// Converts every source into folder, in order, as the batch conversion does.
TConvertRunResult ConvertFiles(const QStringList& sources, const QString& folder, TConvertFormat format,
                               const TConvertSettings& s, const TPictureLoader& loader, const TConvertHooks& hooks);

// A loader for one worker thread: plug-in lists are not shared between threads.
using TLoaderFactory = std::function<TPictureLoader()>;

// ConvertFiles with `jobs` threads decoding, resizing and encoding ahead (jobs < 2: all on
// the calling thread). Overwrite questions, hooks and writes stay on the calling thread in
// the sources' order, so the files written are those of a one-thread run.
TConvertRunResult RunConversion(const QStringList& sources, const QString& folder, TConvertFormat format,
                                const TConvertSettings& s, const TLoaderFactory& loaders, const TConvertHooks& hooks,
                                int jobs);

}  // namespace edit
