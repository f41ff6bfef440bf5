// A minimal PNG writer: 8-bit RGB, no filtering, deflate "stored" blocks.
// Larger than a compressed file, but small enough for screenshots of
// dialogs and free of any library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgb: width * height pixels, three bytes each, rows top to bottom.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);
