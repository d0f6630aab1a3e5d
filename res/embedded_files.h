// The files make_images.py writes, embedded at build time by embed_files.py into a generated
// source. Used by res_data.cpp only; other layers call res/res_data.h.
#pragma once

#include <span>

std::span<const unsigned char> EmbeddedBannerBmp();
std::span<const unsigned char> EmbeddedIcon48Png();
std::span<const unsigned char> EmbeddedIcon32Png();
std::span<const unsigned char> EmbeddedIcon16Png();
std::span<const unsigned char> EmbeddedIconIco();
