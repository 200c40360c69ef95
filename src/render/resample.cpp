// Lanczos-3 resampling of BGRA images, in floating point between the 8-bit ends.
#include "render/resample.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

namespace {

constexpr int kChannels = 4;
constexpr int kAlpha = 3;
constexpr double kLobes = 3.0;
constexpr double kPi = 3.14159265358979323846;

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  x *= kPi;
  return std::sin(x) / x;
}

double Lanczos(double x) { return (x > -kLobes && x < kLobes) ? Sinc(x) * Sinc(x / kLobes) : 0.0; }

// The bytes a span's pixels reach, or 0 when the span is malformed.
size_t SpanBytes(const void* data, size_t size, int width, int height, size_t stride) {
  if (data == nullptr || width <= 0 || height <= 0) return 0;
  if (width > kResampleMaxSide || height > kResampleMaxSide) return 0;
  const size_t row = static_cast<size_t>(width) * kChannels;
  if (stride < row) return 0;
  const size_t rowsBefore = static_cast<size_t>(height - 1);
  if (rowsBefore > (SIZE_MAX - row) / stride) return 0;
  const size_t reach = rowsBefore * stride + row;
  return reach <= size ? reach : 0;
}

// Room for `count` floats, or null when the count cannot be held or memory is short.
std::unique_ptr<float[]> Floats(uint64_t count) {
  if (count == 0 || count > SIZE_MAX / sizeof(float)) return nullptr;
  return std::unique_ptr<float[]>(new (std::nothrow) float[static_cast<size_t>(count)]);
}

// Premultiplied floating-point pixels, rows packed.
struct Plane {
  std::unique_ptr<float[]> values;
  int width = 0;
  int height = 0;

  bool Make(int w, int h) {
    values = Floats(static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * kChannels);
    width = w;
    height = h;
    return values != nullptr;
  }
  float* Row(int y) const { return values.get() + static_cast<size_t>(y) * width * kChannels; }
};

// For each output position along one axis: the first input position it reads and the
// normalised weights of the inputs from there on.
struct Kernel {
  std::unique_ptr<int[]> first;
  std::unique_ptr<int[]> count;
  std::unique_ptr<float[]> weights;
  int taps = 0;

  const float* Weights(int i) const { return weights.get() + static_cast<size_t>(i) * taps; }
};

// Maps `outSize` output pixels onto the first `extent` (possibly fractional) of `inSize` input
// pixels, pixel centres onto pixel centres. A shrink widens the kernel by its ratio, so every
// input pixel counts; near the edges the weights that would fall outside are left out and the
// rest normalised again.
bool MakeKernel(int inSize, double extent, int outSize, Kernel* kernel) {
  const double scale = extent / outSize;
  const double widen = scale < 1.0 ? 1.0 : scale;
  const double support = kLobes * widen;
  kernel->taps = static_cast<int>(std::ceil(support)) * 2 + 1;
  kernel->first.reset(new (std::nothrow) int[static_cast<size_t>(outSize)]);
  kernel->count.reset(new (std::nothrow) int[static_cast<size_t>(outSize)]);
  kernel->weights = Floats(static_cast<uint64_t>(outSize) * static_cast<uint64_t>(kernel->taps));
  if (!kernel->first || !kernel->count || !kernel->weights) return false;
  for (int i = 0; i < outSize; ++i) {
    const double center = (i + 0.5) * scale;
    int low = static_cast<int>(center - support + 0.5);
    int high = static_cast<int>(center + support + 0.5);
    if (low < 0) low = 0;
    if (high > inSize) high = inSize;
    if (high - low > kernel->taps) high = low + kernel->taps;
    float* w = kernel->weights.get() + static_cast<size_t>(i) * kernel->taps;
    const int n = high - low;
    double sum = 0.0;
    for (int k = 0; k < n; ++k) {
      w[k] = static_cast<float>(Lanczos((low + k - center + 0.5) / widen));
      sum += w[k];
    }
    if (n <= 0 || std::fabs(sum) < 1e-9) {
      // Nothing sensible to weigh: the nearest input pixel alone.
      int nearest = static_cast<int>(center);
      if (nearest >= inSize) nearest = inSize - 1;
      kernel->first[i] = nearest;
      kernel->count[i] = 1;
      w[0] = 1.0f;
      continue;
    }
    kernel->first[i] = low;
    kernel->count[i] = n;
    for (int k = 0; k < n; ++k) w[k] = static_cast<float>(w[k] / sum);
  }
  return true;
}

// The source as premultiplied floats, averaged over blocks of `boxX` × `boxY` pixels (the last
// block of a row or column holds what is left).
void LoadPlane(const PixelSpan& source, AlphaForm form, int boxX, int boxY, Plane* plane) {
  for (int by = 0; by < plane->height; ++by) {
    const int y0 = by * boxY;
    const int y1 = y0 + boxY < source.height ? y0 + boxY : source.height;
    float* out = plane->Row(by);
    for (int bx = 0; bx < plane->width; ++bx, out += kChannels) {
      const int x0 = bx * boxX;
      const int x1 = x0 + boxX < source.width ? x0 + boxX : source.width;
      float sum[kChannels] = {0, 0, 0, 0};
      for (int y = y0; y < y1; ++y) {
        const uint8_t* p = source.data + static_cast<size_t>(y) * source.stride + static_cast<size_t>(x0) * kChannels;
        for (int x = x0; x < x1; ++x, p += kChannels) {
          const float a = p[kAlpha];
          const float k = form == AlphaForm::kStraight ? a / 255.0f : 1.0f;
          sum[0] += p[0] * k;
          sum[1] += p[1] * k;
          sum[2] += p[2] * k;
          sum[kAlpha] += a;
        }
      }
      const float n = static_cast<float>((x1 - x0) * (y1 - y0));
      for (int c = 0; c < kChannels; ++c) out[c] = sum[c] / n;
    }
  }
}

void Horizontal(const Plane& in, const Kernel& kernel, Plane* out) {
  for (int y = 0; y < in.height; ++y) {
    const float* row = in.Row(y);
    float* o = out->Row(y);
    for (int x = 0; x < out->width; ++x, o += kChannels) {
      const float* w = kernel.Weights(x);
      const float* p = row + static_cast<size_t>(kernel.first[x]) * kChannels;
      float b = 0, g = 0, r = 0, a = 0;
      for (int k = 0; k < kernel.count[x]; ++k, p += kChannels) {
        b += p[0] * w[k];
        g += p[1] * w[k];
        r += p[2] * w[k];
        a += p[3] * w[k];
      }
      o[0] = b;
      o[1] = g;
      o[2] = r;
      o[3] = a;
    }
  }
}

void Vertical(const Plane& in, const Kernel& kernel, Plane* out) {
  const size_t rowFloats = static_cast<size_t>(in.width) * kChannels;
  for (int y = 0; y < out->height; ++y) {
    float* o = out->Row(y);
    for (size_t i = 0; i < rowFloats; ++i) o[i] = 0.0f;
    const float* w = kernel.Weights(y);
    for (int k = 0; k < kernel.count[y]; ++k) {
      const float* p = in.Row(kernel.first[y] + k);
      const float weight = w[k];
      for (size_t i = 0; i < rowFloats; ++i) o[i] += p[i] * weight;
    }
  }
}

uint8_t Byte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(v + 0.5f);
}

void Store(const Plane& plane, AlphaForm form, const PixelTarget& target) {
  for (int y = 0; y < target.height; ++y) {
    const float* p = plane.Row(y);
    uint8_t* o = target.data + static_cast<size_t>(y) * target.stride;
    for (int x = 0; x < target.width; ++x, p += kChannels, o += kChannels) {
      const uint8_t a = Byte(p[kAlpha]);
      o[kAlpha] = a;
      if (a == 0) {
        o[0] = o[1] = o[2] = 0;
        continue;
      }
      for (int c = 0; c < 3; ++c) {
        // A filter with negative lobes overshoots at sharp edges: colour is kept within the
        // alpha it is premultiplied by.
        float v = p[c] < p[kAlpha] ? p[c] : p[kAlpha];
        if (form == AlphaForm::kStraight) v = v > 0.0f ? v * 255.0f / p[kAlpha] : 0.0f;
        o[c] = Byte(v);
      }
    }
  }
}

}  // namespace

bool Resample(const PixelSpan& source, const PixelTarget& target, AlphaForm form) {
  const size_t sourceBytes =
      SpanBytes(source.data, source.size, source.width, source.height, source.stride);
  const size_t targetBytes =
      SpanBytes(target.data, target.size, target.width, target.height, target.stride);
  if (sourceBytes == 0 || targetBytes == 0) return false;
  const uintptr_t s = reinterpret_cast<uintptr_t>(source.data);
  const uintptr_t t = reinterpret_cast<uintptr_t>(target.data);
  if (s < t + targetBytes && t < s + sourceBytes) return false;

  // Shrinking by more than 2, whole blocks are averaged first; the filter then maps the output
  // onto the blocks' exact (fractional) extent, so the picture does not shift.
  const int boxX = source.width > 2 * target.width ? source.width / target.width : 1;
  const int boxY = source.height > 2 * target.height ? source.height / target.height : 1;
  Plane plane;
  if (!plane.Make((source.width + boxX - 1) / boxX, (source.height + boxY - 1) / boxY)) return false;
  LoadPlane(source, form, boxX, boxY, &plane);
  const double extentX = static_cast<double>(source.width) / boxX;
  const double extentY = static_cast<double>(source.height) / boxY;

  Plane across;
  const Plane* rows = &plane;
  if (target.width != plane.width || extentX != plane.width) {
    Kernel kernel;
    if (!MakeKernel(plane.width, extentX, target.width, &kernel)) return false;
    if (!across.Make(target.width, plane.height)) return false;
    Horizontal(plane, kernel, &across);
    rows = &across;
  }
  Plane down;
  const Plane* result = rows;
  if (target.height != rows->height || extentY != rows->height) {
    Kernel kernel;
    if (!MakeKernel(rows->height, extentY, target.height, &kernel)) return false;
    if (!down.Make(target.width, target.height)) return false;
    Vertical(*rows, kernel, &down);
    result = &down;
  }
  Store(*result, form, target);
  return true;
}
