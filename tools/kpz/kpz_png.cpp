// PNG reading and writing through libpng's simplified interface.
#include "kpz_png.h"

#include <png.h>

#include <cstring>

namespace {

bool FinishRead(png_image* image, std::vector<uint8_t>* pixels, int* width, int* height,
                std::string* error) {
  image->format = PNG_FORMAT_BGRA;
  std::vector<uint8_t> buffer(PNG_IMAGE_SIZE(*image));
  if (!png_image_finish_read(image, nullptr, buffer.data(), 0, nullptr)) {
    if (error != nullptr) *error = image->message;
    png_image_free(image);
    return false;
  }
  *width = static_cast<int>(image->width);
  *height = static_cast<int>(image->height);
  pixels->swap(buffer);
  return true;
}

// Packs BGRA into the layout libpng is told to write.
std::vector<uint8_t> Pack(const uint8_t* bgra, int width, int height, int channels) {
  const size_t count = static_cast<size_t>(width) * height;
  if (channels == 4) return std::vector<uint8_t>(bgra, bgra + count * 4);
  std::vector<uint8_t> out(count * 3);
  for (size_t i = 0; i < count; ++i) std::memcpy(&out[i * 3], bgra + i * 4, 3);
  return out;
}

png_image WriteImage(int width, int height, int channels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = channels == 4 ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  return image;
}

}  // namespace

bool ReadPngBgra(const char* path, std::vector<uint8_t>* pixels, int* width, int* height,
                 std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) {
    if (error != nullptr) *error = image.message;
    return false;
  }
  return FinishRead(&image, pixels, width, height, error);
}

bool ReadPngBgraFromMemory(const uint8_t* data, size_t size, std::vector<uint8_t>* pixels,
                           int* width, int* height, std::string* error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    if (error != nullptr) *error = image.message;
    return false;
  }
  return FinishRead(&image, pixels, width, height, error);
}

bool WritePngBgra(const char* path, const uint8_t* bgra, int width, int height, int channels,
                  std::string* error) {
  png_image image = WriteImage(width, height, channels);
  const std::vector<uint8_t> packed = Pack(bgra, width, height, channels);
  if (!png_image_write_to_file(&image, path, 0, packed.data(), 0, nullptr)) {
    if (error != nullptr) *error = image.message;
    return false;
  }
  return true;
}

bool WritePngBgraToMemory(const uint8_t* bgra, int width, int height, int channels,
                          std::vector<uint8_t>* out, std::string* error) {
  png_image image = WriteImage(width, height, channels);
  const std::vector<uint8_t> packed = Pack(bgra, width, height, channels);
  png_alloc_size_t size = 0;
  if (!png_image_write_get_memory_size(image, size, 0, packed.data(), 0, nullptr)) {
    if (error != nullptr) *error = image.message;
    return false;
  }
  out->resize(size);
  if (!png_image_write_to_memory(&image, out->data(), &size, 0, packed.data(), 0, nullptr)) {
    if (error != nullptr) *error = image.message;
    return false;
  }
  out->resize(size);
  return true;
}
