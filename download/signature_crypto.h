// The two cryptographic primitives that pack signatures need, over libgcrypt: BLAKE2b-512
// hashing and Ed25519 verification. The only file that includes the library; nothing here is
// specific to one system.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

using Blake2b512Digest = std::array<uint8_t, 64>;
using Ed25519PublicKey = std::array<uint8_t, 32>;
using Ed25519Signature = std::array<uint8_t, 64>;

// Whether the library is usable (a new enough version, initialised once for the process).
// Every other call here fails safely when it is not.
bool SignatureCryptoAvailable();

// A BLAKE2b-512 hash fed piece by piece. Used from one thread at a time.
class Blake2b512 {
public:
    Blake2b512();
    ~Blake2b512();
    Blake2b512(const Blake2b512&) = delete;
    Blake2b512& operator=(const Blake2b512&) = delete;

    void Update(const void* data, size_t count);
    // The digest of everything fed so far; no more pieces may follow. All zero when the
    // library could not be set up (which never matches a real signature).
    Blake2b512Digest Final();

private:
    void* m_handle = nullptr;  // gcry_md_hd_t
    bool m_failed = false;
};

// Whether `signature` is a valid Ed25519 signature of `message` by `key` (pure Ed25519, the
// message itself signed, as RFC 8032 defines it).
bool VerifyEd25519(const Ed25519PublicKey& key, std::span<const uint8_t> message,
                   const Ed25519Signature& signature);
