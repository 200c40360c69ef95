// In-memory Ogg Vorbis encoding, decoding and signal measures for the codec round-trip tests.
#pragma once

// vorbisfile.h otherwise defines stdio-backed callbacks as unused statics, which -Werror rejects.
#ifndef OV_EXCLUDE_STATIC_CALLBACKS
#define OV_EXCLUDE_STATIC_CALLBACKS
#endif
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vorbis_test {

constexpr double kPi = 3.14159265358979323846;
// What ov_read multiplies a full-scale float sample by.
constexpr double kPcmScale = 32768.0;

// A sine of one frequency, with its own amplitude (full scale 1.0) on each channel.
struct SineSignal {
  std::vector<double> amplitudes;
  long rate;
  long frames;
  double frequency;
  float quality;  // vorbis_encode_init_vbr: -0.1 (smallest) to 1.0 (best)
};

// One second of 440 Hz in stereo at 44.1 kHz. The channels differ in level, so that a swap or
// a mix-up of them shows.
inline SineSignal OneSecondOf440() {
  SineSignal sine;
  sine.amplitudes = {0.5, 0.25};
  sine.rate = 44100;
  sine.frames = 44100;
  sine.frequency = 440.0;
  sine.quality = 0.5f;
  return sine;
}

inline double SineSample(const SineSignal& sine, int channel, long frame) {
  return sine.amplitudes[channel] *
         std::sin(2.0 * kPi * sine.frequency * static_cast<double>(frame) / sine.rate);
}

inline void AppendPage(const ogg_page& page, std::vector<unsigned char>* out) {
  out->insert(out->end(), page.header, page.header + page.header_len);
  out->insert(out->end(), page.body, page.body + page.body_len);
}

// Hands every packet the encoder has ready to the Ogg stream and keeps the full pages.
inline int DrainEncoder(vorbis_dsp_state* dsp, vorbis_block* block, ogg_stream_state* stream,
                        std::vector<unsigned char>* out) {
  while (vorbis_analysis_blockout(dsp, block) == 1) {
    int status = vorbis_analysis(block, nullptr);
    if (status == 0) status = vorbis_bitrate_addblock(block);
    if (status != 0) return status;
    ogg_packet packet;
    while (vorbis_bitrate_flushpacket(dsp, &packet) == 1) {
      if (ogg_stream_packetin(stream, &packet) != 0) return OV_EFAULT;
      ogg_page page;
      while (ogg_stream_pageout(stream, &page) != 0) AppendPage(page, out);
    }
  }
  return 0;
}

// Encodes the sine as a complete Ogg Vorbis stream into *out. Returns 0, or the libvorbis
// error that stopped it.
inline int EncodeSine(const SineSignal& sine, std::vector<unsigned char>* out) {
  constexpr long kChunkFrames = 1024;
  constexpr int kSerial = 0x6d617363;
  out->clear();
  const int channels = static_cast<int>(sine.amplitudes.size());

  vorbis_info info;
  vorbis_info_init(&info);
  int status = vorbis_encode_init_vbr(&info, channels, sine.rate, sine.quality);
  if (status != 0) {
    vorbis_info_clear(&info);
    return status;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, kSerial);

  ogg_packet identification;
  ogg_packet commentPacket;
  ogg_packet codebooks;
  status = vorbis_analysis_headerout(&dsp, &comment, &identification, &commentPacket, &codebooks);
  if (status == 0) {
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &commentPacket);
    ogg_stream_packetin(&stream, &codebooks);
    // Audio must start on a page of its own, after the three headers.
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(page, out);
  }

  long position = 0;
  bool ended = false;
  while (status == 0 && !ended) {
    const long chunk = std::min(kChunkFrames, sine.frames - position);
    if (chunk > 0) {
      float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(chunk));
      for (int channel = 0; channel < channels; ++channel) {
        for (long i = 0; i < chunk; ++i) {
          buffer[channel][i] = static_cast<float>(SineSample(sine, channel, position + i));
        }
      }
      status = vorbis_analysis_wrote(&dsp, static_cast<int>(chunk));
      position += chunk;
    } else {
      status = vorbis_analysis_wrote(&dsp, 0);  // end of stream: the last page gets its mark
      ended = true;
    }
    if (status == 0) status = DrainEncoder(&dsp, &block, &stream, out);
  }
  ogg_page page;
  while (status == 0 && ogg_stream_flush(&stream, &page) != 0) AppendPage(page, out);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return status;
}

// A read-only file over a byte buffer, for ov_open_callbacks.
struct MemorySource {
  const std::vector<unsigned char>* bytes;
  size_t position;
  int closeCalls;
};

inline size_t MemoryRead(void* destination, size_t size, size_t count, void* source) {
  auto* memory = static_cast<MemorySource*>(source);
  if (size == 0) return 0;
  const size_t items = std::min(count, (memory->bytes->size() - memory->position) / size);
  std::memcpy(destination, memory->bytes->data() + memory->position, items * size);
  memory->position += items * size;
  return items;
}

inline int MemorySeek(void* source, ogg_int64_t offset, int whence) {
  auto* memory = static_cast<MemorySource*>(source);
  ogg_int64_t base = 0;
  if (whence == SEEK_CUR) {
    base = static_cast<ogg_int64_t>(memory->position);
  } else if (whence == SEEK_END) {
    base = static_cast<ogg_int64_t>(memory->bytes->size());
  } else if (whence != SEEK_SET) {
    return -1;
  }
  const ogg_int64_t target = base + offset;
  if (target < 0 || target > static_cast<ogg_int64_t>(memory->bytes->size())) return -1;
  memory->position = static_cast<size_t>(target);
  return 0;
}

inline int MemoryClose(void* source) {
  ++static_cast<MemorySource*>(source)->closeCalls;
  return 0;
}

inline long MemoryTell(void* source) {
  return static_cast<long>(static_cast<MemorySource*>(source)->position);
}

inline ov_callbacks MemoryCallbacks() {
  ov_callbacks callbacks;
  callbacks.read_func = MemoryRead;
  callbacks.seek_func = MemorySeek;
  callbacks.close_func = MemoryClose;
  callbacks.tell_func = MemoryTell;
  return callbacks;
}

// Appends interleaved signed 16-bit samples from the current position until the end of the
// stream or maxFrames frames. Returns 0, or the ov_read error that stopped it.
inline long ReadPcm16(OggVorbis_File* file, int channels, long maxFrames,
                      std::vector<int16_t>* samples) {
  char buffer[4096];
  const size_t wanted = samples->size() + static_cast<size_t>(maxFrames) * channels;
  while (samples->size() < wanted) {
    const size_t room = std::min(sizeof buffer, (wanted - samples->size()) * sizeof(int16_t));
    int bitstream = 0;
    const long got = ov_read(file, buffer, static_cast<int>(room), 0, 2, 1, &bitstream);
    if (got < 0) return got;
    if (got == 0) break;
    const size_t count = static_cast<size_t>(got) / sizeof(int16_t);
    const size_t start = samples->size();
    samples->resize(start + count);
    std::memcpy(samples->data() + start, buffer, count * sizeof(int16_t));
  }
  return 0;
}

inline double ChannelRms(const std::vector<int16_t>& samples, int channels, int channel) {
  double sum = 0.0;
  size_t count = 0;
  for (size_t i = static_cast<size_t>(channel); i < samples.size(); i += channels) {
    sum += static_cast<double>(samples[i]) * samples[i];
    ++count;
  }
  return count == 0 ? 0.0 : std::sqrt(sum / count);
}

// Sign changes between neighbouring samples of one channel; a sine makes two per period.
inline int ZeroCrossings(const std::vector<int16_t>& samples, int channels, int channel) {
  int crossings = 0;
  for (size_t i = static_cast<size_t>(channel + channels); i < samples.size(); i += channels) {
    if ((samples[i - channels] < 0) != (samples[i] < 0)) ++crossings;
  }
  return crossings;
}

// How far decoded samples, starting at firstFrame of the stream, stay from the signal that was
// encoded: signal power over error power, in dB. A shift in time or a swapped channel makes
// the error as large as the signal.
inline double SignalToNoiseDb(const std::vector<int16_t>& samples, const SineSignal& sine,
                              long firstFrame) {
  const int channels = static_cast<int>(sine.amplitudes.size());
  double signal = 0.0;
  double noise = 0.0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const int channel = static_cast<int>(i % channels);
    const long frame = firstFrame + static_cast<long>(i / channels);
    const double expected = SineSample(sine, channel, frame) * kPcmScale;
    signal += expected * expected;
    noise += (samples[i] - expected) * (samples[i] - expected);
  }
  if (noise == 0.0) return 1000.0;
  return 10.0 * std::log10(signal / noise);
}

}  // namespace vorbis_test
