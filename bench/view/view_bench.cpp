// Opening the real-size window on a large JPEG (read, decode, window, first paint) against a
// bare libjpeg-turbo decode of the same file into one buffer, in the same run.
// QIVO2_BENCH_JPEG names the picture (bench/view/run.sh makes a 24-megapixel one).
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <vector>

#include "graphics/picture_formats.h"
#include "view/picture_loader.h"
#include "view/widgets/picture_view.h"
#include "view/widgets/preview_form.h"

namespace {

QString JpegPath() { return QString::fromLocal8Bit(qgetenv("QIVO2_BENCH_JPEG")); }

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The reference: the file read and decoded full size, nothing else. accurate = the library's
// defaults (accurate integer IDCT, smooth upsampling); otherwise its fast settings.
void BM_BareLibjpegDecode(benchmark::State& state) {
  const bool accurate = state.range(0) != 0;
  for (auto _ : state) {
    const QByteArray data = ReadAll(JpegPath());
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_EXT_BGR;
    if (!accurate) {
      c.dct_method = JDCT_IFAST;
      c.do_fancy_upsampling = FALSE;
    }
    jpeg_start_decompress(&c);
    const size_t stride = (size_t(c.output_width) * 3 + 3) & ~size_t(3);
    std::vector<unsigned char> pixels(stride * c.output_height);
    while (c.output_scanline < c.output_height) {
      unsigned char* row = pixels.data() + stride * c.output_scanline;
      jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_BareLibjpegDecode)->Arg(1)->Arg(0)->ArgName("accurate")->Unit(benchmark::kMillisecond)->UseRealTime();

// The real-size command without its notice: the plain loader, a new window, Show real, the
// source picture handed over, the first paint on screen, then the window freed.
void BM_OpenRealSizeWindow(benchmark::State& state) {
  for (auto _ : state) {
    auto picture = std::make_shared<graphics::TBitmap>();
    view::LoadPicture(JpegPath(), *picture, nullptr);
    auto* form = new view::TPreviewForm(nullptr);
    form->ShowReal(picture, JpegPath());
    form->SetSource(std::move(picture), 0, JpegPath());
    form->Image->repaint();
    benchmark::DoNotOptimize(form);
    delete form;
  }
}
BENCHMARK(BM_OpenRealSizeWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (JpegPath().isEmpty()) {
    std::fprintf(stderr, "set QIVO2_BENCH_JPEG to a large JPEG (bench/view/run.sh makes one)\n");
    return 2;
  }
  QApplication app(argc, argv);
  graphics::RegisterBuiltinFormats();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
