#include "edit/exif_orientation.h"

#include <libexif/exif-data.h>

#include <cstring>
#include <memory>

#include "edit/image_ops.h"
#include "plugins/spi_byte_reader.h"

namespace edit {

namespace {

struct ExifFree {
  void operator()(ExifData* d) const { exif_data_unref(d); }
};

// The payload of the first APP1 "Exif" segment before the scan, or nothing.
spi_util::ByteReader ExifSegment(const uint8_t* data, size_t size) {
  spi_util::ByteReader r(data, size);
  uint16_t soi = 0;
  if (!r.u16be(soi) || soi != 0xFFD8) return {};
  // A JPEG's markers before the scan are few; a file that keeps going is not one we trust.
  for (int markers = 0; markers < 64; ++markers) {
    uint8_t ff = 0, marker = 0;
    if (!r.u8(ff) || ff != 0xFF) return {};
    if (!r.u8(marker)) return {};
    if (marker == 0xFF) {  // fill byte
      r.seek(r.position() - 1);
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return {};  // picture data or the end: no EXIF before it
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    uint16_t length = 0;
    spi_util::ByteReader segment;
    if (!r.u16be(length) || length < 2 || !r.sub(length - 2, segment)) return {};
    if (marker == 0xE1 && segment.size() > 6 && std::memcmp(segment.data(), "Exif\0\0", 6) == 0) return segment;
  }
  return {};
}

}  // namespace

TJpegExif ReadJpegExif(const uint8_t* data, size_t size) {
  TJpegExif out;
  if (!data) return out;
  const spi_util::ByteReader segment = ExifSegment(data, size);
  if (segment.size() == 0) return out;
  std::unique_ptr<ExifData, ExifFree> exif(exif_data_new());
  if (!exif) return out;
  // Only the tag and the thumbnail are wanted: no maker notes, no fixing up of the data.
  // libexif copies the thumbnail only when its offset and length lie inside the segment.
  exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_set_option(exif.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
  exif_data_load_data(exif.get(), segment.data(), unsigned(segment.size()));
  if (exif->data && exif->size > 0) out.Thumbnail.assign(exif->data, exif->data + exif->size);
  ExifEntry* e = exif_content_get_entry(exif->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (!e || e->format != EXIF_FORMAT_SHORT || e->components < 1 || !e->data || e->size < 2) return out;
  const int v = exif_get_short(e->data, exif_data_get_byte_order(exif.get()));
  if (v >= 1 && v <= 8) out.Orientation = v;
  return out;
}

int JpegOrientation(const uint8_t* data, size_t size) { return ReadJpegExif(data, size).Orientation; }

void ApplyOrientation(graphics::TBitmap& bitmap, int orientation) {
  switch (orientation) {
    case 2: MirrorHorizontal(bitmap); break;
    case 3: TurnHalf(bitmap); break;
    case 4: MirrorVertical(bitmap); break;
    case 5:  // transpose: turn right, then mirror left to right
      TurnRight(bitmap);
      MirrorHorizontal(bitmap);
      break;
    case 6: TurnRight(bitmap); break;
    case 7:  // transverse: turn left, then mirror left to right
      TurnLeft(bitmap);
      MirrorHorizontal(bitmap);
      break;
    case 8: TurnLeft(bitmap); break;
    default: break;
  }
}

}  // namespace edit
