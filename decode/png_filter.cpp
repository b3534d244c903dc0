#include "decode/png_filter.h"

#include <cstdlib>
#include <iterator>

namespace decode {

uint8_t PngPaeth(uint8_t a, uint8_t b, uint8_t c) {
  const int p = int(a) + int(b) - int(c);
  const int pa = std::abs(p - int(a));
  const int pb = std::abs(p - int(b));
  const int pc = std::abs(p - int(c));
  if (pa <= pb && pa <= pc) return a;
  if (pb <= pc) return b;
  return c;
}

namespace {

using FilterFn = void (*)(uint8_t*, const uint8_t*, size_t, size_t);

void unfilterNone(uint8_t*, const uint8_t*, size_t, size_t) {}

void unfilterSub(uint8_t* row, const uint8_t*, size_t n, size_t bpp) {
  for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
}

void unfilterUp(uint8_t* row, const uint8_t* prior, size_t n, size_t) {
  if (!prior) return;
  for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + prior[i]);
}

void unfilterAverage(uint8_t* row, const uint8_t* prior, size_t n, size_t bpp) {
  for (size_t i = 0; i < n; ++i) {
    const unsigned left = i >= bpp ? row[i - bpp] : 0;
    const unsigned up = prior ? prior[i] : 0;
    row[i] = uint8_t(row[i] + ((left + up) >> 1));
  }
}

void unfilterPaeth(uint8_t* row, const uint8_t* prior, size_t n, size_t bpp) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t left = i >= bpp ? row[i - bpp] : 0;
    const uint8_t up = prior ? prior[i] : 0;
    const uint8_t upLeft = (prior && i >= bpp) ? prior[i - bpp] : 0;
    row[i] = uint8_t(row[i] + PngPaeth(left, up, upLeft));
  }
}

constexpr FilterFn kFilters[] = {unfilterNone, unfilterSub, unfilterUp, unfilterAverage, unfilterPaeth};

}  // namespace

bool PngUnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
  if (type >= std::size(kFilters)) return false;
  kFilters[type](row, prior, length, bpp);
  return true;
}

}  // namespace decode
