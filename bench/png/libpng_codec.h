#pragma once
// libpng doing what our codec does, for the benchmark only: 8-bit RGB in and out.
#include <cstdint>
#include <vector>

namespace pngbench {

// rgb: width*height*3 bytes. filters: true = libpng's adaptive choice, false = None only.
std::vector<uint8_t> LibpngEncode(const std::vector<uint8_t>& rgb, int width, int height, int level, bool filters);
// Decodes to 8-bit RGB; false on error.
bool LibpngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& rgb, int& width, int& height);

}  // namespace pngbench
