#include "platform/idlist.h"

#include <cstdlib>
#include <cstring>

namespace platform::shell {

void* TaskAlloc(size_t bytes) { return std::malloc(bytes ? bytes : 1); }
void TaskFree(void* p) { std::free(p); }

namespace {

// A count below 2 cannot hold itself; treat it as the end so a damaged list never loops.
uint16_t recordCount(PCIDL r) { return r ? uint16_t(r[0] | (r[1] << 8)) : 0; }
bool atEnd(PCIDL r) { return recordCount(r) < 2; }

PIDL allocList(size_t bytes) { return static_cast<PIDL>(TaskAlloc(bytes)); }

void putTerminator(uint8_t* p) { p[0] = p[1] = 0; }

PCIDL lastRecord(PCIDL list) {
  PCIDL last = nullptr;
  for (PCIDL r = list; r && !atEnd(r); r = IdListNext(r)) last = r;
  return last;
}

bool validName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.size() > 0xFFFF - 2) return false;
  return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

}  // namespace

size_t IdListSize(PCIDL list) {
  if (!list) return 0;
  size_t n = 0;
  for (PCIDL r = list; !atEnd(r); r = r + recordCount(r)) n += recordCount(r);
  return n + 2;
}

PCIDL IdListNext(PCIDL record) {
  if (!record || atEnd(record)) return nullptr;
  return record + recordCount(record);
}

PIDL IdListClone(PCIDL list) {
  const size_t n = IdListSize(list);
  if (n == 0) return nullptr;
  PIDL out = allocList(n);
  std::memcpy(out, list, n - 2);
  putTerminator(out + n - 2);
  return out;
}

PIDL IdListCloneFirst(PCIDL list) {
  if (!list || atEnd(list)) return nullptr;
  const size_t n = recordCount(list);
  PIDL out = allocList(n + 2);
  std::memcpy(out, list, n);
  putTerminator(out + n);
  return out;
}

PIDL IdListCombine(PCIDL first, PCIDL second) {
  const size_t a = first ? IdListSize(first) - 2 : 0;
  const size_t b = second ? IdListSize(second) - 2 : 0;
  PIDL out = allocList(a + b + 2);
  if (a) std::memcpy(out, first, a);
  if (b) std::memcpy(out + a, second, b);
  putTerminator(out + a + b);
  return out;
}

PIDL IdListParent(PCIDL list) {
  if (!list) return nullptr;
  PCIDL last = lastRecord(list);
  const size_t keep = last ? size_t(last - list) : 0;
  PIDL out = allocList(keep + 2);
  if (keep) std::memcpy(out, list, keep);
  putTerminator(out + keep);
  return out;
}

PIDL IdListLast(PCIDL list) {
  if (!list) return nullptr;
  PCIDL last = lastRecord(list);
  if (!last) {
    PIDL out = allocList(2);
    putTerminator(out);
    return out;
  }
  return IdListCloneFirst(last);
}

void IdListFree(PIDL& list) {
  TaskFree(list);
  list = nullptr;
}

bool IdListIsDesktop(PCIDL list) { return list && atEnd(list); }

int IdListCount(PCIDL list) {
  int n = 0;
  for (PCIDL r = list; r && !atEnd(r); r = IdListNext(r)) ++n;
  return n;
}

int IdListSame(PCIDL a, PCIDL b) {
  PCIDL x = a, y = b;
  while (x && y && !atEnd(x) && !atEnd(y)) {
    const int c = IdRecordName(x).compare(IdRecordName(y));
    if (c) return c < 0 ? -1 : 1;
    x = IdListNext(x);
    y = IdListNext(y);
  }
  const bool ex = !x || atEnd(x), ey = !y || atEnd(y);
  if (ex && ey) return 0;
  return ex ? -1 : 1;
}

std::string_view IdRecordName(PCIDL record) {
  if (!record || atEnd(record)) return {};
  return std::string_view(reinterpret_cast<const char*>(record) + 2, recordCount(record) - 2u);
}

PIDL IdListFromName(std::string_view name) {
  if (!validName(name)) return nullptr;
  const size_t n = name.size() + 2;
  PIDL out = allocList(n + 2);
  out[0] = uint8_t(n & 0xFF);
  out[1] = uint8_t(n >> 8);
  std::memcpy(out + 2, name.data(), name.size());
  putTerminator(out + n);
  return out;
}

PIDL IdListFromPath(const QByteArray& absolutePath) {
  if (!absolutePath.startsWith('/') || absolutePath.contains('\0')) return nullptr;
  std::vector<std::string_view> parts;
  std::string_view rest(absolutePath.constData(), size_t(absolutePath.size()));
  while (!rest.empty()) {
    const size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (!validName(part)) return nullptr;
    parts.push_back(part);
  }
  size_t total = 2;
  for (auto p : parts) total += p.size() + 2;
  PIDL out = allocList(total);
  uint8_t* w = out;
  for (auto p : parts) {
    const size_t n = p.size() + 2;
    w[0] = uint8_t(n & 0xFF);
    w[1] = uint8_t(n >> 8);
    std::memcpy(w + 2, p.data(), p.size());
    w += n;
  }
  putTerminator(w);
  return out;
}

QByteArray IdListToPath(PCIDL list) {
  QByteArray path;
  for (PCIDL r = list; r && !atEnd(r); r = IdListNext(r)) {
    const auto name = IdRecordName(r);
    path += '/';
    path.append(name.data(), qsizetype(name.size()));
  }
  return path.isEmpty() ? QByteArray("/") : path;
}

}  // namespace platform::shell
