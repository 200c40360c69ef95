// PNG reading and writing for the KPZ tools and tests (libpng's simplified interface).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads any PNG as top-down BGRA with straight alpha. False, with a reason, on failure.
bool ReadPngBgra(const char* path, std::vector<uint8_t>* pixels, int* width, int* height,
                 std::string* error);
bool ReadPngBgraFromMemory(const uint8_t* data, size_t size, std::vector<uint8_t>* pixels,
                           int* width, int* height, std::string* error);

// Writes BGRA pixels as a PNG at libpng's default settings; `channels` 3 drops the alpha.
bool WritePngBgra(const char* path, const uint8_t* bgra, int width, int height, int channels,
                  std::string* error);
bool WritePngBgraToMemory(const uint8_t* bgra, int width, int height, int channels,
                          std::vector<uint8_t>* out, std::string* error);
