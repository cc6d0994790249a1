// Writes 24-bit RGB pictures as PNG files: stored (uncompressed) deflate
// blocks, so no compression library is needed. No windows.h.
#ifndef SAMPLES_PNG_WRITE_H
#define SAMPLES_PNG_WRITE_H

#include <cstdint>
#include <vector>

// rgb holds height rows of width pixels, top row first, 3 bytes a pixel.
bool WritePng(const char* path, int width, int height, const std::vector<uint8_t>& rgb);

#endif
