// The settings record read from Update.ini at startup, and the rules that derive names from
// its values. The record is filled before any thread exists and only read afterwards.
#pragma once

#include "platform/text.h"

struct UpdateSettings {
    CString m_strIniPath;  // m_strBaseDir + "Update.ini"
    CString m_strBaseDir;  // directory of the running executable, ending in a separator
    CString m_strWebsite;
    CString m_strAppName;
    CString m_strVersion;
    int m_nPackNumber = 0;
    CString m_strProgramPath;  // m_strBaseDir + ProgramFileName(PackFileName(Pack1))
    CString m_strPublicKey;    // [Update] PublicKey: the vendor's signing key; empty when unsigned
};

// The settings of the running application object, or null when there is none.
const UpdateSettings* GetAppSettings();

// Capacity of a value read from the settings file, in UTF-16 units with the terminator.
constexpr size_t kIniValueCapacity = 1024;

// The value of `key` in `section` of the file at `path`, cut to its first 1023 units, or
// `defaultValue` when the section or key is missing. Nothing is trimmed or decoded here.
CString ReadIniString(const CString& section, const CString& key, const CString& defaultValue,
                      const CString& path);

// The highest n for which section Update of the file at `path` holds a key "Pack<n>" as
// "Pack%d" writes it (any case); 0 when there is none. The pack count is bounded by it, so a
// huge PackNumber costs nothing.
int HighestPackKeyNumber(const CString& path);

// The file name of a pack: everything after the URL's last '/' (the whole text without one).
CString PackFileName(const CString& url);

// The file name of the program a pack installs: the pack name up to its last '.', followed by
// ".exe". A name without a '.' has an empty stem.
CString ProgramFileName(const CString& packFileName);
