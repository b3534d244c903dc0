#include "decode/png_filter.h"

#include <algorithm>
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

// Average and Paeth: the first pixel has no left neighbour and a first row no prior
// one; those cases reduce to Up and Sub, so the inner loops need no tests.
void unfilterAverage(uint8_t* row, const uint8_t* prior, size_t n, size_t bpp) {
  const size_t head = std::min(bpp, n);
  if (!prior) {
    for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + (row[i - bpp] >> 1));
    return;
  }
  for (size_t i = 0; i < head; ++i) row[i] = uint8_t(row[i] + (prior[i] >> 1));
  for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + ((unsigned(row[i - bpp]) + prior[i]) >> 1));
}

void unfilterPaeth(uint8_t* row, const uint8_t* prior, size_t n, size_t bpp) {
  if (!prior) {
    unfilterSub(row, nullptr, n, bpp);
    return;
  }
  const size_t head = std::min(bpp, n);
  for (size_t i = 0; i < head; ++i) row[i] = uint8_t(row[i] + prior[i]);
  for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + PngPaeth(row[i - bpp], prior[i], prior[i - bpp]));
}

constexpr FilterFn kFilters[] = {unfilterNone, unfilterSub, unfilterUp, unfilterAverage, unfilterPaeth};

}  // namespace

bool PngUnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp) {
  if (type >= std::size(kFilters)) return false;
  kFilters[type](row, prior, length, bpp);
  return true;
}

}  // namespace decode
