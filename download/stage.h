// The staging area of one run: a hidden directory inside the program directory (so on its file
// system, where a rename puts a file in place at once). Each pack is downloaded, and an
// archive unpacked, there before anything in the program directory changes.
#pragma once

#include <string_view>

#include "platform/text.h"

// The updater's own names in the program directory.
constexpr std::u16string_view kStageDirName = u".~update";
constexpr std::u16string_view kJournalName = u".~update.journal";
constexpr std::u16string_view kLockFileName = u".~update.lock";

class Stage {
public:
    // The staging area of the program directory `baseDir` (which ends in the separator).
    explicit Stage(const CString& baseDir) : m_baseDir(baseDir) {}
    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;
    // Removes what is left of the staging area.
    ~Stage();

    // Makes the staging area unless it is made already. Leftovers of earlier runs are
    // recovery's to remove: a staging area that exists already fails this. On failure
    // `reason` says why, naming the pack that was to be staged.
    bool Create(const CString& packName, CString& reason);

    // Names of pack `pack`'s parts, relative to the program directory: the downloaded file,
    // the directory an archive is unpacked into, and where its replaced files go.
    CString PackFile(int pack) const;
    CString PackTree(int pack) const;
    CString Aside(int pack, size_t index) const;

    // Removes everything of pack `pack` from the staging area.
    void Clear(int pack) const;

    const CString& BaseDir() const { return m_baseDir; }

private:
    CString m_baseDir;
    bool m_created = false;
};
