// Bytes of the images embedded in the executable: the dialog's banner and the program icon.
// The images are drawn at build time (make_images.py); the window back end decodes them.
#pragma once

#include <span>

// The banner bitmap (IDB_BANNER): a Windows BMP file, 164 x 312 pixels, 24 bits per pixel,
// uncompressed, bottom-up. Never empty; the bytes live as long as the program.
std::span<const unsigned char> BannerBitmapBytes();

// One image of the program icon (IDR_MAINFRAME) as a PNG file, RGBA with 8 bits per channel.
// `size` is the width and height in pixels: 48, 32 or 16. Any other size gives an empty span.
std::span<const unsigned char> IconPngBytes(int size);

// The program icon as a Windows .ico file with the images of 48, 32 and 16 pixels, in that
// order, each a 32-bit image with alpha. Never empty.
std::span<const unsigned char> IconIcoBytes();
