// The signature check of a downloaded pack: its minisign signature file is fetched from the
// pack's URL with ".minisig" appended and checked against the vendor's key before the pack
// changes anything in the program directory.
#pragma once

#include "download/minisign.h"
#include "download/pack_hasher.h"
#include "platform/net/internet_session.h"
#include "platform/text.h"

// Largest pack accepted with a legacy signature, which signs the file itself and so needs it
// whole in memory; a prehashed signature has no such limit.
constexpr int64_t kMaxLegacySignedPackSize = 512LL * 1024 * 1024;

// Whether the pack downloaded from `packUrl`, stored complete and closed at `packPath` and
// named `packName`, carries a valid signature by `key`. `hasher` has been handed every byte of
// the pack. The signature file comes through `session`, at most kMaxMinisignFileSize bytes.
// Throws CInternetException only when its download was stopped by the session's abort check;
// any other failure (no signature file, an unreadable or wrong one) gives false.
bool PackSignatureValid(CInternetSession& session, const MinisignPublicKey& key,
                        const CString& packUrl, const CString& packName, const CString& packPath,
                        PackHasher& hasher);

// Shown at the start of a run whose PublicKey value is not a key; no pack is downloaded then.
constexpr char16_t kInvalidPublicKeyText[] = u"The public key in Update.ini is not valid.";

// The vendor's key from the PublicKey value of Update.ini: false when the value is not empty
// and not a key. An empty value leaves `key` empty: packs are not signed.
bool ReadPublicKeySetting(const CString& value, std::optional<MinisignPublicKey>& key);

// The status line of a pack refused for its signature; `previousKept` when the program
// directory still holds the version the pack was to replace.
CString SignatureRejectedText(const CString& packName, bool previousKept);

// The same refusal as the final status gives it after the pack's name.
CString SignatureRejectedReason();
