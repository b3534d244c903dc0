// The only file that calls setjmp for libjpeg. Rules for every function that calls
// setjmp here: no local object with a destructor, no local variable changed between
// setjmp and a longjmp that is read afterwards, buffers from libjpeg's pools or the
// session (freed by the session's owner).
#include "graphics/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include "graphics/image_size.h"
#include "platform/byte_reader.h"

namespace graphics::jpegcodec {
namespace {

// A progressive file can repeat scans without end; real files use about a dozen.
constexpr int kMaxScans = 1000;

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  longjmp(err->jump, 1);
}

// Warnings (corrupt but decodable data) are counted by libjpeg, never printed.
void OutputMessage(j_common_ptr) {}

void InitErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = OutputMessage;
  err.message[0] = '\0';
}

[[noreturn]] void Fail(j_common_ptr cinfo, const char* text) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::snprintf(err->message, sizeof err->message, "%s", text);
  longjmp(err->jump, 1);
}

void CheckScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
    Fail(cinfo, "Too many scans in progressive JPEG file");
}

enum class RowKind { Direct, Cmyk, GrayExpand };

}  // namespace

struct Decoder::Session {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_source_mgr src;
  jpeg_progress_mgr progress;
  platform::ByteReader reader;
  QIODevice* device = nullptr;
  bool anyInput = false;
  // Past the header, the end of the data is padded with an end marker as libjpeg's own
  // sources do, so a file missing only that marker still loads; a picture whose data
  // was really needed is an error (dataMissing).
  bool hitEnd = false;
  bool dataMissing = false;
  bool created = false;
  bool headerRead = false;
  bool prepared = false;
  bool started = false;
  bool quantize = false;
  bool grayscale = false;
  RowKind rows = RowKind::Direct;
  JSAMPARRAY rowBuffer = nullptr;
  uint8_t chunk[16384];
};

namespace {

Decoder::Session* SessionOf(j_decompress_ptr cinfo) { return static_cast<Decoder::Session*>(cinfo->client_data); }

// The decoder wanted bytes that are not there: it complained after the padding, or its
// picture data ran into the end marker (a frame larger than the data behind it).
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  cinfo->err->num_warnings++;
  if (!cinfo->is_decompressor) return;
  const auto d = reinterpret_cast<j_decompress_ptr>(cinfo);
  Decoder::Session* s = SessionOf(d);
  const int code = cinfo->err->msg_code;
  if ((s->hitEnd && code != JWRN_JPEG_EOF) || (code == JWRN_HIT_MARKER && d->unread_marker == JPEG_EOI))
    s->dataMissing = true;
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

const JOCTET kEndMarker[2] = {0xFF, JPEG_EOI};

// Out of data inside the headers is an error at once; later the end marker is supplied.
void NoMoreInput(j_decompress_ptr cinfo, Decoder::Session* s) {
  if (!s->anyInput) ERREXIT(cinfo, JERR_INPUT_EMPTY);
  if (!s->headerRead) ERREXIT(cinfo, JERR_INPUT_EOF);
  WARNMS(cinfo, JWRN_JPEG_EOF);
  s->hitEnd = true;
  s->src.next_input_byte = kEndMarker;
  s->src.bytes_in_buffer = 2;
}

boolean FillFromMemory(j_decompress_ptr cinfo) {
  Decoder::Session* s = SessionOf(cinfo);
  const size_t n = s->reader.left();
  if (n == 0) {
    NoMoreInput(cinfo, s);
    return TRUE;
  }
  s->src.next_input_byte = s->reader.take(n);
  s->src.bytes_in_buffer = n;
  s->anyInput = true;
  return TRUE;
}

boolean FillFromDevice(j_decompress_ptr cinfo) {
  Decoder::Session* s = SessionOf(cinfo);
  const qint64 n = s->device->read(reinterpret_cast<char*>(s->chunk), qint64(sizeof s->chunk));
  if (n <= 0) {
    NoMoreInput(cinfo, s);
    return TRUE;
  }
  s->src.next_input_byte = s->chunk;
  s->src.bytes_in_buffer = size_t(n);
  s->anyInput = true;
  return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  size_t left = size_t(count);
  while (left > src->bytes_in_buffer) {
    left -= src->bytes_in_buffer;
    src->bytes_in_buffer = 0;
    (*src->fill_input_buffer)(cinfo);
  }
  src->next_input_byte += left;
  src->bytes_in_buffer -= left;
}

bool CreateDecompress(Decoder::Session* s) {
  if (setjmp(s->err.jump)) return false;
  jpeg_create_decompress(&s->cinfo);
  s->created = true;
  s->cinfo.client_data = s;
  s->err.pub.emit_message = EmitMessage;
  s->cinfo.mem->max_memory_to_use = long(kMaxImageBytes);
  s->progress.progress_monitor = CheckScans;
  s->cinfo.progress = &s->progress;
  s->src.init_source = InitSource;
  s->src.skip_input_data = SkipInput;
  s->src.resync_to_restart = jpeg_resync_to_restart;
  s->src.term_source = TermSource;
  s->src.next_input_byte = nullptr;
  s->src.bytes_in_buffer = 0;
  s->cinfo.src = &s->src;
  return true;
}

bool ReadHeaderFrame(Decoder::Session* s) {
  if (setjmp(s->err.jump)) return false;
  jpeg_read_header(&s->cinfo, TRUE);
  s->headerRead = true;
  return true;
}

uint8_t Mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// Adobe writes inverted CMYK (255 = no ink); other writers store ink amounts.
void CmykRowToBgr(const uint8_t* in, uint8_t* out, int width, bool inverted) {
  for (int x = 0; x < width; ++x, in += 4, out += 3) {
    unsigned c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[0] = Mul255(y, k);
    out[1] = Mul255(m, k);
    out[2] = Mul255(c, k);
  }
}

void GrayRowToBgr(const uint8_t* in, uint8_t* out, int width) {
  for (int x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = in[x];
}

void BgrRowToGray(uint8_t* row, int width) {
  for (int x = 0; x < width; ++x, row += 3) {
    const uint8_t y = uint8_t((29u * row[0] + 150u * row[1] + 77u * row[2] + 128u) >> 8);
    row[0] = row[1] = row[2] = y;
  }
}

}  // namespace

Decoder::Decoder() : s_(new Session) {
  InitErrors(s_->err);
  s_->cinfo.err = &s_->err.pub;
  if (!CreateDecompress(s_)) s_->created = false;
}

Decoder::~Decoder() {
  if (s_->created) jpeg_destroy_decompress(&s_->cinfo);
  delete s_;
}

bool Decoder::ReadHeader(const uint8_t* data, size_t size) {
  if (!s_->created || s_->headerRead) return false;
  s_->reader = platform::ByteReader(data, size);
  s_->src.fill_input_buffer = FillFromMemory;
  return ReadHeaderFrame(s_);
}

bool Decoder::ReadHeader(QIODevice& stream) {
  if (!s_->created || s_->headerRead) return false;
  s_->device = &stream;
  s_->src.fill_input_buffer = FillFromDevice;
  return ReadHeaderFrame(s_);
}

FrameInfo Decoder::Info() const {
  FrameInfo info;
  if (!s_->headerRead) return info;
  const jpeg_decompress_struct& c = s_->cinfo;
  info.width = int(c.image_width);
  info.height = int(c.image_height);
  info.components = c.num_components;
  info.progressive = c.progressive_mode != 0;
  info.cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
  return info;
}

bool Decoder::Prepare(const DecodeOptions& o) {
  Session* s = s_;
  if (!s->headerRead || s->prepared) return false;
  if (setjmp(s->err.jump)) return false;
  jpeg_decompress_struct& c = s->cinfo;
  const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
  if (cmyk && o.quantize) Fail(reinterpret_cast<j_common_ptr>(&c), "CMYK JPEG cannot be quantised directly");
  c.scale_num = 1;
  c.scale_denom = unsigned(o.scaleDenom);
  c.dct_method = o.fast ? JDCT_IFAST : JDCT_ISLOW;
  c.do_fancy_upsampling = o.fast ? FALSE : TRUE;
  c.do_block_smoothing = TRUE;
  s->grayscale = o.grayscale;
  s->quantize = o.quantize;
  if (cmyk) {
    c.out_color_space = JCS_CMYK;
    s->rows = RowKind::Cmyk;
  } else if (o.quantize) {
    c.out_color_space = o.grayscale || c.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    c.quantize_colors = TRUE;
    c.desired_number_of_colors = o.colors;
    c.two_pass_quantize = o.fast ? FALSE : TRUE;
    c.dither_mode = o.fast ? JDITHER_ORDERED : JDITHER_FS;
    s->rows = RowKind::Direct;
  } else if (o.grayscale || c.jpeg_color_space == JCS_GRAYSCALE) {
    c.out_color_space = JCS_GRAYSCALE;
    s->rows = RowKind::GrayExpand;
  } else {
    c.out_color_space = JCS_EXT_BGR;
    s->rows = RowKind::Direct;
  }
  jpeg_calc_output_dimensions(&c);
  s->prepared = true;
  return true;
}

int Decoder::OutputWidth() const { return s_->prepared ? int(s_->cinfo.output_width) : 0; }
int Decoder::OutputHeight() const { return s_->prepared ? int(s_->cinfo.output_height) : 0; }

bool Decoder::Start() {
  Session* s = s_;
  if (!s->prepared || s->started) return false;
  if (setjmp(s->err.jump)) return false;
  jpeg_decompress_struct& c = s->cinfo;
  jpeg_start_decompress(&c);
  if (s->rows != RowKind::Direct)
    s->rowBuffer = (*c.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&c), JPOOL_IMAGE,
                                          c.output_width * JDIMENSION(c.output_components), 1);
  s->started = true;
  return true;
}

int Decoder::PaletteSize() const {
  return s_->started && s_->quantize ? s_->cinfo.actual_number_of_colors : 0;
}

void Decoder::PaletteEntry(int i, uint8_t& r, uint8_t& g, uint8_t& b) const {
  const jpeg_decompress_struct& c = s_->cinfo;
  if (c.out_color_components == 1) {
    r = g = b = c.colormap[0][i];
  } else {
    r = c.colormap[0][i];
    g = c.colormap[1][i];
    b = c.colormap[2][i];
  }
}

bool Decoder::ReadRows(uint8_t* base, size_t stride) {
  Session* s = s_;
  if (!s->started) return false;
  if (setjmp(s->err.jump)) return false;
  jpeg_decompress_struct& c = s->cinfo;
  const int width = int(c.output_width);
  const bool inverted = c.saw_Adobe_marker != 0;
  while (c.output_scanline < c.output_height) {
    // A huge frame with little data behind it stops as soon as the data runs out.
    if (s->dataMissing) ERREXIT(&c, JERR_INPUT_EOF);
    uint8_t* row = base + size_t(c.output_scanline) * stride;
    if (s->rows == RowKind::Direct) {
      JSAMPROW target = row;
      jpeg_read_scanlines(&c, &target, 1);
      continue;
    }
    if (jpeg_read_scanlines(&c, s->rowBuffer, 1) != 1) continue;
    if (s->rows == RowKind::Cmyk) {
      CmykRowToBgr(s->rowBuffer[0], row, width, inverted);
      if (s->grayscale) BgrRowToGray(row, width);
    } else {
      GrayRowToBgr(s->rowBuffer[0], row, width);
    }
  }
  if (s->dataMissing) ERREXIT(&c, JERR_INPUT_EOF);
  // The end-of-image marker is not waited for: a picture complete but for it is kept.
  return true;
}

const char* Decoder::Message() const { return s_->err.message; }

// ---------------------------------------------------------------------------------------

struct Encoder::Session {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  jpeg_destination_mgr dest;
  bool created = false;
  uint8_t* buffer = nullptr;
  size_t capacity = 0;
  size_t size = 0;
};

namespace {

Encoder::Session* SessionOf(j_compress_ptr cinfo) { return static_cast<Encoder::Session*>(cinfo->client_data); }

void InitDestination(j_compress_ptr cinfo) {
  Encoder::Session* s = SessionOf(cinfo);
  constexpr size_t kFirst = 65536;
  s->buffer = static_cast<uint8_t*>(std::malloc(kFirst));
  if (!s->buffer) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
  s->capacity = kFirst;
  s->size = 0;
  s->dest.next_output_byte = s->buffer;
  s->dest.free_in_buffer = kFirst;
}

boolean EmptyOutput(j_compress_ptr cinfo) {
  Encoder::Session* s = SessionOf(cinfo);
  const size_t old = s->capacity;
  if (old > kMaxImageBytes) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
  auto* grown = static_cast<uint8_t*>(std::realloc(s->buffer, old * 2));
  if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
  s->buffer = grown;
  s->capacity = old * 2;
  s->dest.next_output_byte = grown + old;
  s->dest.free_in_buffer = old;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  Encoder::Session* s = SessionOf(cinfo);
  s->size = s->capacity - s->dest.free_in_buffer;
}

bool CreateCompress(Encoder::Session* s) {
  if (setjmp(s->err.jump)) return false;
  jpeg_create_compress(&s->cinfo);
  s->created = true;
  s->cinfo.client_data = s;
  s->dest.init_destination = InitDestination;
  s->dest.empty_output_buffer = EmptyOutput;
  s->dest.term_destination = TermDestination;
  s->cinfo.dest = &s->dest;
  return true;
}

}  // namespace

Encoder::Encoder() : s_(new Session) {
  InitErrors(s_->err);
  s_->cinfo.err = &s_->err.pub;
  if (!CreateCompress(s_)) s_->created = false;
}

Encoder::~Encoder() {
  if (s_->created) jpeg_destroy_compress(&s_->cinfo);
  std::free(s_->buffer);
  delete s_;
}

bool Encoder::Encode(const uint8_t* base, size_t stride, int width, int height, const EncodeOptions& o) {
  Session* s = s_;
  if (!s->created) return false;
  if (setjmp(s->err.jump)) return false;
  jpeg_compress_struct& c = s->cinfo;
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  if (o.grayscale) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
  jpeg_set_quality(&c, o.quality, TRUE);
  if (o.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(base + size_t(c.next_scanline) * stride);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  return true;
}

const uint8_t* Encoder::Data() const { return s_->buffer; }
size_t Encoder::Size() const { return s_->size; }
const char* Encoder::Message() const { return s_->err.message; }

}  // namespace graphics::jpegcodec
