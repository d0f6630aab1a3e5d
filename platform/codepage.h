// Names of ZIP entries: from the bytes stored in an archive to UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// General purpose bit 11 of a ZIP entry: its name and comment are UTF-8.
constexpr uint32_t kZipFlagUtf8Name = 0x0800;

// CP437 (the ZIP format's default code page) to UTF-16: one unit per byte; bytes below 0x80
// are ASCII, those above map to the code page's characters.
std::u16string Cp437ToWide(std::string_view bytes);

// The name conversion of the archive layer, standing for the system's ANSI code page: UTF-8
// when `utf8Flag` (bit 11) is set or the bytes are valid UTF-8, else CP437. Invalid UTF-8 under
// bit 11 becomes U+FFFD, one per bad byte.
std::u16string ZipNameToWide(std::string_view bytes, bool utf8Flag);
