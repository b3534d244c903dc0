#include "catalog/avi_frame.h"

#include <QFile>
#include <cstring>

#include "graphics/image_size.h"
#include "platform/regular_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace catalog {

namespace {

// Frames decoded past the seek point before giving up on reaching the wanted time.
constexpr int kMaxFramesAfterSeek = 600;

struct Resources {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* sws = nullptr;
  ~Resources() {
    sws_freeContext(sws);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }
};

bool convert(Resources& r, graphics::TBitmap& out) {
  const AVFrame* f = r.frame;
  if (!graphics::checkedImageBytes(f->width, f->height, 24)) return false;
  r.sws = sws_getContext(f->width, f->height, AVPixelFormat(f->format), f->width, f->height, AV_PIX_FMT_BGR24,
                         SWS_POINT, nullptr, nullptr, nullptr);
  if (!r.sws) return false;
  graphics::TBitmap bmp(f->width, f->height);
  uint8_t* dst[4] = {bmp.Bits(), nullptr, nullptr, nullptr};
  int dstStride[4] = {int(bmp.Stride()), 0, 0, 0};
  if (sws_scale(r.sws, f->data, f->linesize, 0, f->height, dst, dstStride) != f->height) return false;
  out = std::move(bmp);
  return true;
}

}  // namespace

bool ReadVideoFrame(const QString& path, int percent, graphics::TBitmap& out) {
  Resources r;
  av_log_set_level(AV_LOG_QUIET);
  // FFmpeg opens the name itself: hand it the checked file, so a FIFO never blocks it.
  const platform::RegularFile file = platform::RegularFile::Open(path);
  if (!file || avformat_open_input(&r.format, file.FdPath().constData(), nullptr, nullptr) < 0) return false;
  if (avformat_find_stream_info(r.format, nullptr) < 0) return false;
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(r.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (index < 0 || !decoder) return false;
  AVStream* stream = r.format->streams[index];
  r.codec = avcodec_alloc_context3(decoder);
  if (!r.codec || avcodec_parameters_to_context(r.codec, stream->codecpar) < 0) return false;
  r.codec->thread_count = 1;
  if (avcodec_open2(r.codec, decoder, nullptr) < 0) return false;
  r.frame = av_frame_alloc();
  r.packet = av_packet_alloc();
  if (!r.frame || !r.packet) return false;

  int64_t target = AV_NOPTS_VALUE;
  if (percent > 0 && stream->duration > 0) {
    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    target = start + stream->duration / 100 * percent + stream->duration % 100 * percent / 100;
    if (av_seek_frame(r.format, index, target, AVSEEK_FLAG_BACKWARD) < 0) {
      av_seek_frame(r.format, index, start, AVSEEK_FLAG_BACKWARD);
    }
  }

  bool have = false;
  int framesSeen = 0;
  auto takeFrames = [&]() {
    while (avcodec_receive_frame(r.codec, r.frame) == 0) {
      ++framesSeen;
      const int64_t ts = r.frame->best_effort_timestamp;
      if (target == AV_NOPTS_VALUE || ts == AV_NOPTS_VALUE || ts >= target || framesSeen >= kMaxFramesAfterSeek)
        return true;
    }
    return false;
  };
  while (!have && av_read_frame(r.format, r.packet) >= 0) {
    if (r.packet->stream_index == index && avcodec_send_packet(r.codec, r.packet) >= 0) have = takeFrames();
    av_packet_unref(r.packet);
  }
  if (!have && avcodec_send_packet(r.codec, nullptr) >= 0) {
    // Drain: the last frame of a short stream still counts.
    AVFrame* last = av_frame_alloc();
    while (last && avcodec_receive_frame(r.codec, last) == 0) {
      av_frame_unref(r.frame);
      av_frame_move_ref(r.frame, last);
      have = true;
    }
    av_frame_free(&last);
  }
  return have && convert(r, out);
}

}  // namespace catalog
