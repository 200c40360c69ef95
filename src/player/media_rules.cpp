// The media engine's platform-free rules.
#include "player/media_rules.h"

#include <cmath>
#include <cstring>

namespace {

const char* const kAudioKinds[] = {".mp3", ".wma", ".wav", "EOF"};
const char* const kVideoKinds[] = {".avi", ".wmv", ".mpg", "EOF"};
constexpr size_t kExtensionCapacity = 16;

int64_t Clamp32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return value;
}

// Window sizes beyond this are nonsense; keeping differences within it lets every product below
// stay inside 64 bits whatever the platform hands us.
int64_t ClampSpan(int64_t value) {
  constexpr int64_t kSpan = int64_t{1} << 31;
  if (value > kSpan) return kSpan;
  if (value < -kSpan) return -kSpan;
  return value;
}

int64_t Gcd(int64_t a, int64_t b) {
  while (b != 0) {
    const int64_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

}  // namespace

uint32_t RunWaitMsFor(bool url) { return url ? kUrlRunWaitMs : kLocalRunWaitMs; }

int MediaKindOf(const char* extension) {
  char lower[kExtensionCapacity];
  size_t n = 0;
  for (; extension[n] != '\0'; ++n) {
    if (n + 1 >= kExtensionCapacity) return kMediaOther;
    const char c = extension[n];
    lower[n] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  lower[n] = '\0';
  for (int i = 0; strcmp(kAudioKinds[i], "EOF") != 0; ++i) {
    if (strcmp(lower, kAudioKinds[i]) == 0) return i;
  }
  for (int i = 0; strcmp(kVideoKinds[i], "EOF") != 0; ++i) {
    if (strcmp(lower, kVideoKinds[i]) == 0) return kMediaVideoBase + i;
  }
  return kMediaOther;
}

OpenRoute OpenRouteFor(int mediaKind) {
  switch (mediaKind) {
    case 0:
    case 1:
    case kMediaVideoBase + 1:
      return OpenRoute::kAsfReader;
    case 2:
    case kMediaVideoBase:
    case kMediaVideoBase + 2:
      return OpenRoute::kRenderFile;
    default:
      return OpenRoute::kReaderThenRenderFile;
  }
}

int32_t VolumeToHundredthsDb(float volume, float* stored) {
  // The negated tests also catch NaN, which counts as silence.
  float v = volume;
  if (!(v >= 0.0f)) v = 0.0f;
  if (v > 1.0f) v = 1.0f;
  if (stored != nullptr) *stored = v;
  const double floor = 1.0 / 256.0;
  const double level = v > floor ? v : floor;
  return static_cast<int32_t>(std::trunc(std::log10(level) * 20.0 * 100.0));
}

bool PictureAspect(int64_t width, int64_t height, int32_t* aspectX, int32_t* aspectY) {
  if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
  const int64_t g = Gcd(width, height);
  *aspectX = static_cast<int32_t>(width / g);
  *aspectY = static_cast<int32_t>(height / g);
  return true;
}

void MinimumVideoClient(int32_t aspectX, int32_t aspectY, int32_t* width, int32_t* height) {
  constexpr int64_t kUnits = 20;
  constexpr int64_t kMaxWidth = 320;
  if (aspectX <= 0 || aspectY <= 0) {
    *width = 0;
    *height = 0;
    return;
  }
  int64_t w = kUnits * aspectX;
  int64_t h = kUnits * aspectY;
  if (w > kMaxWidth) {
    w = kMaxWidth;
    h = kMaxWidth * aspectY / aspectX;
  }
  *width = static_cast<int32_t>(w);
  *height = static_cast<int32_t>(Clamp32(h));
}

VideoRect FitVideo(int32_t clientWidth, int32_t clientHeight, int32_t aspectX, int32_t aspectY) {
  if (aspectX <= 0 || aspectY <= 0 || clientWidth <= 0 || clientHeight <= 0) {
    return {0, 0, clientWidth, clientHeight};
  }
  // As wide as the client area, unless that makes it too tall: then as tall.
  int64_t width = clientWidth;
  int64_t height = width * aspectY / aspectX;
  if (height > clientHeight) {
    height = clientHeight;
    width = height * aspectX / aspectY;
  }
  VideoRect r;
  r.width = static_cast<int32_t>(width);
  r.height = static_cast<int32_t>(height);
  r.left = static_cast<int32_t>((clientWidth - width) / 2);
  r.top = static_cast<int32_t>((clientHeight - height) / 2);
  return r;
}

void FitSizingRect(SizingRect* rect, int edge, int32_t frameWidth, int32_t frameHeight,
                   int32_t aspectX, int32_t aspectY) {
  if (edge < 1 || edge > 8 || aspectX <= 0 || aspectY <= 0) return;
  const int64_t ax = aspectX;
  const int64_t ay = aspectY;
  const int64_t cw = ClampSpan(int64_t{rect->right} - rect->left - frameWidth);
  const int64_t ch = ClampSpan(int64_t{rect->bottom} - rect->top - frameHeight);
  const bool tall = static_cast<double>(ch) / ay > static_cast<double>(cw) / ax;
  const int64_t heightForWidth = frameHeight + cw * ay / ax;
  const int64_t widthForHeight = frameWidth + ch * ax / ay;
  auto set = [](int32_t* side, int64_t value) { *side = static_cast<int32_t>(Clamp32(value)); };
  switch (edge) {
    case 1:  // left
    case 2:  // right
      set(&rect->bottom, rect->top + heightForWidth);
      break;
    case 3:  // top
    case 6:  // bottom
      set(&rect->right, rect->left + widthForHeight);
      break;
    case 4:  // top left
      if (tall) {
        set(&rect->left, rect->right - widthForHeight);
      } else {
        set(&rect->top, rect->bottom - heightForWidth);
      }
      break;
    case 5:  // top right
      if (tall) {
        set(&rect->right, rect->left + widthForHeight);
      } else {
        set(&rect->top, rect->bottom - heightForWidth);
      }
      break;
    case 7:  // bottom left
      if (tall) {
        set(&rect->left, rect->right - widthForHeight);
      } else {
        set(&rect->bottom, rect->top + heightForWidth);
      }
      break;
    default:  // 8, bottom right
      if (tall) {
        set(&rect->right, rect->left + widthForHeight);
      } else {
        set(&rect->bottom, rect->top + heightForWidth);
      }
      break;
  }
}

bool TagTextLength(int type, const uint16_t* value, uint32_t returned, size_t* characters) {
  if (type != kTagTypeString || value == nullptr) return false;
  const uint32_t bytes = returned < kTagValueBytes ? returned : kTagValueBytes;
  const size_t units = bytes / 2;
  size_t n = 0;
  while (n < units && value[n] != 0) ++n;
  *characters = n;
  return true;
}
