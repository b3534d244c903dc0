#include "libpng_codec.h"

#include <png.h>

#include <cstring>

namespace pngbench {

namespace {

struct Source {
  const std::vector<uint8_t>* data;
  size_t pos;
};

void readFn(png_structp png, png_bytep out, png_size_t n) {
  auto* s = static_cast<Source*>(png_get_io_ptr(png));
  if (s->pos + n > s->data->size()) png_error(png, "read past end");
  std::memcpy(out, s->data->data() + s->pos, n);
  s->pos += n;
}

void writeFn(png_structp png, png_bytep in, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), in, in + n);
}

void flushFn(png_structp) {}

}  // namespace

std::vector<uint8_t> LibpngEncode(const std::vector<uint8_t>& rgb, int width, int height, int level, bool filters) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, writeFn, flushFn);
  png_set_compression_level(png, level);
  if (!filters) png_set_filter(png, 0, PNG_FILTER_NONE);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(rgb.data() + size_t(y) * width * 3));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

bool LibpngDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& rgb, int& width, int& height) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  Source src{&file, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &src, readFn);
  png_read_info(png, info);
  width = int(png_get_image_width(png, info));
  height = int(png_get_image_height(png, info));
  png_set_strip_16(png);
  png_set_palette_to_rgb(png);
  png_read_update_info(png, info);
  rgb.resize(size_t(width) * height * 3);
  for (int y = 0; y < height; ++y) png_read_row(png, rgb.data() + size_t(y) * width * 3, nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace pngbench
