#pragma once
// The five row filters of the PNG standard (decoding side).
#include <cstddef>
#include <cstdint>

namespace decode {

enum class TPNGFilter : uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

// Reverses filter `type` on row (in place). prior is the previous unfiltered row of the
// same pass, or nullptr for a pass's first row. bpp: bytes per complete pixel (>= 1).
// False for an unknown filter type.
bool PngUnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prior, size_t length, size_t bpp);

uint8_t PngPaeth(uint8_t a, uint8_t b, uint8_t c);

}  // namespace decode
