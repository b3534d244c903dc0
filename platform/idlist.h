#pragma once
// Item identifier lists of the shell namespace (platform/shell.h).
// A list is a chain of records, each a 16-bit little-endian byte count that includes the
// count itself followed by the bytes of one path component, ended by a record of count 0.
// The desktop ("/") is the empty list (just the terminator). Every list is allocated
// through the task allocator (TaskAlloc / TaskFree); never mix it with new/delete.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace platform::shell {

using PIDL = uint8_t*;
using PCIDL = const uint8_t*;

void* TaskAlloc(size_t bytes);
void TaskFree(void* p);

struct IdListDeleter {
  void operator()(uint8_t* p) const { TaskFree(p); }
};
// Owning holder for callers that prefer not to free by hand.
using TIdListPtr = std::unique_ptr<uint8_t, IdListDeleter>;

// Sum of all record counts plus 2 for the terminator; 0 for a null list.
size_t IdListSize(PCIDL list);
// The record after this one, or null at the terminator (or for null).
PCIDL IdListNext(PCIDL record);
// Byte copy of the whole list; null for a null list. The empty list (the desktop) is
// copied too, since here it names a real place.
PIDL IdListClone(PCIDL list);
// Copy of the first record only, terminated; null for a null or empty list.
PIDL IdListCloneFirst(PCIDL list);
// The first list without its terminator followed by the second (either may be null).
PIDL IdListCombine(PCIDL first, PCIDL second);
// Clone with the last record cut off; the desktop's own list gives the desktop list.
PIDL IdListParent(PCIDL list);
// Copy of the last record alone; for the desktop (empty list) an empty list.
PIDL IdListLast(PCIDL list);
// Returns the list to the task allocator and sets the holder to null.
void IdListFree(PIDL& list);
// True for the empty list (the file-system root).
bool IdListIsDesktop(PCIDL list);
// Desktop comparison of two absolute lists; 0 means the same place.
int IdListSame(PCIDL a, PCIDL b);
// Number of records before the terminator.
int IdListCount(PCIDL list);

// The component bytes of one record (empty at the terminator).
std::string_view IdRecordName(PCIDL record);
// A new one-record list for a component; null when the name is empty, ".", "..", holds
// "/" or a zero byte, or is longer than a record can hold.
PIDL IdListFromName(std::string_view name);
// An absolute list from an absolute path's bytes ("." and ".." resolved lexically,
// repeated "/" ignored); null for a relative or invalid path.
PIDL IdListFromPath(const QByteArray& absolutePath);
// The absolute path bytes ("/" for the desktop) of an absolute list.
QByteArray IdListToPath(PCIDL list);

}  // namespace platform::shell
