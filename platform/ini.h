// Reading of Windows-style INI files.
//
// Section and key names match without regard to case; blanks around names and values are
// trimmed and one pair of surrounding double or single quotes is removed from a value; lines
// starting with ';' are comments; the first occurrence of a section and of a key wins. Files
// are UTF-8 (with or without BOM; bytes that are not UTF-8 read as Latin-1) or UTF-16 LE with
// BOM, with CRLF or LF line ends. A value ends at its first NUL. The file is read afresh on
// every call.
#pragma once

#include <string>
#include <vector>

// Copies the value of `key` in `section` of the file at `path` into `out`, or `defaultValue`
// when the file, the section or the key is missing. The result is cut to `capacity` - 1 units,
// as a buffer of `capacity` units with its terminator would hold. Returns the units copied.
size_t GetPrivateProfileStringW(const std::u16string& section, const std::u16string& key,
                                const std::u16string& defaultValue, std::u16string& out,
                                size_t capacity, const std::u16string& path);

// The names of the keys in the first `section` of the file at `path`, in file order, as
// written (trimmed); empty when the file or the section is missing.
std::vector<std::u16string> GetPrivateProfileKeyNames(const std::u16string& section,
                                                      const std::u16string& path);

// The integer value of `key`: an optional sign and the leading decimal digits of the value,
// or `defaultValue` when the key is missing or its value starts with no digit. Values beyond
// the 32-bit range are held at its ends.
int GetPrivateProfileIntW(const std::u16string& section, const std::u16string& key,
                          int defaultValue, const std::u16string& path);
