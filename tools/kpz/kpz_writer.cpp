// KPZ encoder: PNG-style filter choice per row and a hash-chain LZ matcher over a 4095-byte window.
#include "kpz_writer.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kHeaderSize = 32;
constexpr int kWindow = 0xFFF;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 257;
constexpr int kMaxShortMatch = 17;
constexpr int kMaxLiteralRun = 256;
constexpr int kHashBits = 15;
constexpr int kChainDepth = 96;
// Matches this long are good enough: stop searching the chain.
constexpr int kGoodEnough = 64;
// Average and Paeth take several times longer to undo than Sub and Up, which also run in the
// vector unit; they are chosen only when their estimate is clearly smaller (in percent).
constexpr uint64_t kSlowFilterPenalty = 125;

void PutU16(uint8_t* p, unsigned v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

int PaethPredictor(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  if (pb <= pc) return b;
  return c;
}

// Filters one row with `filter`; `above` is null for the first row (only Sub is used there).
void FilterRow(int filter, const uint8_t* row, const uint8_t* above, size_t length, size_t k,
               uint8_t* out) {
  for (size_t i = 0; i < length; ++i) {
    const int left = i >= k ? row[i - k] : 0;
    const int up = above != nullptr ? above[i] : 0;
    const int upLeft = (above != nullptr && i >= k) ? above[i - k] : 0;
    int predicted = 0;
    switch (filter) {
      case 1: predicted = i >= k ? left : 0; break;
      case 2: predicted = up; break;
      case 3: predicted = i >= k ? (left + up) >> 1 : up; break;
      case 4: predicted = i >= k ? PaethPredictor(left, up, upLeft) : up; break;
      default: predicted = 0; break;
    }
    out[i] = static_cast<uint8_t>(row[i] - predicted);
  }
}

// The usual PNG heuristic: the filter whose output has the smallest sum of signed magnitudes.
uint64_t Cost(const uint8_t* bytes, size_t length) {
  uint64_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum += bytes[i] < 128 ? bytes[i] : 256 - bytes[i];
  return sum;
}

class StreamWriter {
 public:
  explicit StreamWriter(std::vector<uint8_t>* out) : out_(out) {}

  void Literal(const uint8_t* bytes, size_t count) {
    while (count > 0) {
      const size_t run = count < static_cast<size_t>(kMaxLiteralRun) ? count : kMaxLiteralRun;
      Flag(true);
      out_->push_back(static_cast<uint8_t>(run == static_cast<size_t>(kMaxLiteralRun) ? 0 : run));
      out_->insert(out_->end(), bytes, bytes + run);
      bytes += run;
      count -= run;
    }
  }

  void Match(int distance, int length) {
    Flag(false);
    if (length <= kMaxShortMatch) {
      const unsigned word = static_cast<unsigned>(distance) | (static_cast<unsigned>(length - 2) << 12);
      out_->push_back(static_cast<uint8_t>(word));
      out_->push_back(static_cast<uint8_t>(word >> 8));
    } else {
      out_->push_back(static_cast<uint8_t>(distance));
      out_->push_back(static_cast<uint8_t>(distance >> 8));
      out_->push_back(static_cast<uint8_t>(length - 2));
    }
  }

  void End() {
    Flag(false);
    out_->push_back(0);
    out_->push_back(0);
    // Stored streams carry padding after the end marker; readers never look at it.
    out_->push_back(0);
    out_->push_back(0);
  }

 private:
  void Flag(bool literal) {
    if (bitsUsed_ == 8) {
      flagAt_ = out_->size();
      out_->push_back(0);
      bitsUsed_ = 0;
    }
    if (literal) (*out_)[flagAt_] = static_cast<uint8_t>((*out_)[flagAt_] | (1u << bitsUsed_));
    ++bitsUsed_;
  }

  std::vector<uint8_t>* out_;
  size_t flagAt_ = 0;
  int bitsUsed_ = 8;
};

class Matcher {
 public:
  Matcher(const uint8_t* data, size_t size)
      : data_(data), size_(size), head_(1u << kHashBits, -1), prev_(kWindow + 1, -1) {}

  // Adds position `pos` to the chains (needs 3 bytes from it).
  void Insert(size_t pos) {
    if (pos + kMinMatch > size_) return;
    const unsigned h = Hash(pos);
    prev_[pos & kWindow] = head_[h];
    head_[h] = static_cast<long>(pos);
  }

  // Longest match for `pos` among the positions inserted so far; length 0 when none.
  int Find(size_t pos, int* distance) const {
    if (pos + kMinMatch > size_) return 0;
    const size_t limit = size_ - pos < static_cast<size_t>(kMaxMatch) ? size_ - pos : kMaxMatch;
    long candidate = head_[Hash(pos)];
    int best = 0;
    for (int depth = 0; depth < kChainDepth && candidate >= 0; ++depth) {
      const size_t cand = static_cast<size_t>(candidate);
      if (cand >= pos || pos - cand > static_cast<size_t>(kWindow)) break;
      if (data_[cand + best] == data_[pos + best]) {
        size_t length = 0;
        while (length < limit && data_[cand + length] == data_[pos + length]) ++length;
        if (static_cast<int>(length) > best) {
          best = static_cast<int>(length);
          *distance = static_cast<int>(pos - cand);
          if (best >= kGoodEnough || length == limit) break;
        }
      }
      const long next = prev_[cand & kWindow];
      // The slot may have been reused by a newer position: chains only run backwards.
      if (next >= candidate) break;
      candidate = next;
    }
    return best >= kMinMatch ? best : 0;
  }

 private:
  unsigned Hash(size_t pos) const {
    const uint32_t v = data_[pos] | (data_[pos + 1] << 8) | (data_[pos + 2] << 16);
    return (v * 2654435761u) >> (32 - kHashBits);
  }

  const uint8_t* data_;
  size_t size_;
  std::vector<long> head_;
  std::vector<long> prev_;
};

}  // namespace

void WriteKpzHeader(uint8_t* header, int width, int height, int channels, uint16_t storage,
                    uint32_t unpackedSize, uint32_t payloadSize) {
  std::memset(header, 0, kHeaderSize);
  header[0] = 'K';
  header[1] = 'P';
  header[2] = 'Z';
  header[3] = 0;
  PutU16(header + 4, static_cast<unsigned>(width));
  PutU16(header + 6, static_cast<unsigned>(height));
  header[8] = static_cast<uint8_t>(channels);
  header[9] = 1;
  PutU16(header + 10, storage);
  PutU32(header + 12, 65539u);
  PutU32(header + 16, kHeaderSize);
  PutU32(header + 20, static_cast<uint32_t>(kHeaderSize + height));
  PutU32(header + 24, unpackedSize);
  PutU32(header + 28, payloadSize);
}

std::vector<uint8_t> FilterKpzRows(const uint8_t* interleaved, int width, int height,
                                   int channels, int forcedFilter) {
  const size_t k = static_cast<size_t>(channels);
  const size_t rowLength = static_cast<size_t>(width) * k;
  std::vector<uint8_t> out(static_cast<size_t>(height) + rowLength * height);
  std::vector<uint8_t> trial(rowLength);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = interleaved + rowLength * y;
    const uint8_t* above = y == 0 ? nullptr : row - rowLength;
    uint8_t* dst = out.data() + height + rowLength * y;
    int chosen = 1;
    if (y > 0 && forcedFilter >= 1 && forcedFilter <= 4) {
      chosen = forcedFilter;
    } else if (y > 0) {
      uint64_t best = UINT64_MAX;
      for (int f = 1; f <= 4; ++f) {
        FilterRow(f, row, above, rowLength, k, trial.data());
        uint64_t cost = Cost(trial.data(), rowLength);
        if (f >= 3) cost = cost * kSlowFilterPenalty / 100;
        if (cost < best) {
          best = cost;
          chosen = f;
        }
      }
    }
    FilterRow(chosen, row, above, rowLength, k, dst);
    out[y] = static_cast<uint8_t>(chosen);
  }
  return out;
}

std::vector<uint8_t> PackKpzStream(const uint8_t* data, size_t size, bool lazyMatching) {
  std::vector<uint8_t> out;
  out.reserve(size / 2 + 64);
  StreamWriter writer(&out);
  Matcher matcher(data, size);
  size_t pos = 0;
  size_t literalStart = 0;
  while (pos < size) {
    int distance = 0;
    const int length = matcher.Find(pos, &distance);
    matcher.Insert(pos);
    if (length == 0) {
      ++pos;
      continue;
    }
    if (lazyMatching && length < kGoodEnough && pos + 1 < size) {
      int nextDistance = 0;
      if (matcher.Find(pos + 1, &nextDistance) > length) {
        // A longer match starts one byte later: this byte joins the literal run instead.
        ++pos;
        continue;
      }
    }
    writer.Literal(data + literalStart, pos - literalStart);
    writer.Match(distance, length);
    for (size_t i = pos + 1; i < pos + length; ++i) matcher.Insert(i);
    pos += length;
    literalStart = pos;
  }
  writer.Literal(data + literalStart, pos - literalStart);
  writer.End();
  return out;
}

bool EncodeKpz(const uint8_t* bgra, int width, int height, const KpzEncodeOptions& options,
               std::vector<uint8_t>* out) {
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return false;
  if (options.channels != 3 && options.channels != 4) return false;
  const size_t k = static_cast<size_t>(options.channels);
  const size_t count = static_cast<size_t>(width) * height;
  const uint64_t unpacked = static_cast<uint64_t>(height) + static_cast<uint64_t>(count) * k;
  if (unpacked > 0xFFFFFFFFu) return false;

  std::vector<uint8_t> payload;
  if (options.raw) {
    payload.resize(count * k);
    for (size_t i = 0; i < count; ++i) {
      for (size_t c = 0; c < k; ++c) payload[c * count + i] = bgra[i * 4 + c];
    }
  } else {
    std::vector<uint8_t> interleaved(count * k);
    for (size_t i = 0; i < count; ++i) {
      for (size_t c = 0; c < k; ++c) interleaved[i * k + c] = bgra[i * 4 + c];
    }
    const std::vector<uint8_t> stream =
        FilterKpzRows(interleaved.data(), width, height, options.channels, options.forcedFilter);
    payload = PackKpzStream(stream.data(), stream.size(), options.lazyMatching);
  }
  if (payload.size() > 0xFFFFFFFFu - kHeaderSize) return false;
  out->assign(kHeaderSize, 0);
  WriteKpzHeader(out->data(), width, height, options.channels,
                 options.raw ? 1 : 0, static_cast<uint32_t>(unpacked),
                 static_cast<uint32_t>(payload.size()));
  out->insert(out->end(), payload.begin(), payload.end());
  return true;
}
