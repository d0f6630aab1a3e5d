// The signature files that vendors make with the minisign tool, and checking a file against
// them. A public key is the base64 line of a public key file: the algorithm "Ed", an 8-byte
// key id and the 32-byte Ed25519 key. A signature file has four lines:
//
//   untrusted comment: <anything>
//   <base64: algorithm "ED" (BLAKE2b-512 prehash) or "Ed" (legacy, the file itself), the
//    8-byte key id, the 64-byte Ed25519 signature>
//   trusted comment: <text>
//   <base64: the 64-byte Ed25519 signature of the signature bytes followed by the text>
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "download/signature_crypto.h"

using MinisignKeyId = std::array<uint8_t, 8>;

struct MinisignPublicKey {
    MinisignKeyId keyId;
    Ed25519PublicKey key;
};

struct MinisignSignature {
    bool prehashed = true;  // "ED": the BLAKE2b-512 digest of the file was signed
    MinisignKeyId keyId{};
    Ed25519Signature signature{};
    std::string trustedComment;  // the text after "trusted comment: "
    Ed25519Signature globalSignature{};
};

// Longest signature file accepted, in bytes: a real one is a few hundred.
constexpr size_t kMaxMinisignFileSize = 16 * 1024;

// Strict standard base64 with padding: no other characters, no bits left over. Blanks around
// the text are ignored. Nothing when the text is not such base64.
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

// The key of a public key line (blanks around it ignored); nothing when it does not decode to
// exactly the algorithm "Ed", a key id and a key.
std::optional<MinisignPublicKey> ParseMinisignPublicKey(std::string_view line);

// The parts of a signature file (lines end in "\n" or "\r\n"; the last line break may be
// missing); nothing when any line is missing, out of place or does not decode.
std::optional<MinisignSignature> ParseMinisignSignature(std::string_view fileText);

// The file name that a trusted comment names in a tab-separated field "file:<name>", or
// nothing when it names none.
std::optional<std::string> TrustedCommentFileName(std::string_view trustedComment);

// Whether `signature` is by `key` for the file named `fileName` whose signed form is
// `message`: the BLAKE2b-512 digest of the file for a prehashed signature, the whole file for
// a legacy one. True only when the key ids match, the signature and the global signature
// verify, and a file name in the trusted comment is `fileName` exactly.
bool VerifyMinisign(const MinisignPublicKey& key, const MinisignSignature& signature,
                    std::string_view fileName, std::span<const uint8_t> message);
