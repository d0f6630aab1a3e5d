#include "download/pack_signature.h"

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/file.h"

namespace {

// The signature file's text; nothing when it cannot be fetched or is too long.
std::optional<std::string> FetchSignatureFile(CInternetSession& session, const CString& url) {
    try {
        std::unique_ptr<CRemoteFile> remote = session.OpenURL(url);
        std::string text;
        char buffer[4096];
        while (const size_t n = remote->Read(buffer, sizeof buffer)) {
            if (text.size() + n > kMaxMinisignFileSize)
                return std::nullopt;
            text.append(buffer, n);
        }
        remote->Close();
        return text;
    } catch (const CInternetException& e) {
        if (e.m_dwError == INTERNET_ERROR_CANCELLED)
            throw;
        return std::nullopt;
    }
}

// The whole file at `path`, for a legacy signature; nothing when it cannot be read whole.
std::optional<std::vector<uint8_t>> ReadWholeFile(const CString& path) {
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    if (!file.Valid())
        return std::nullopt;
    const int64_t size = GetFileSize(file.Get());
    if (size < 0 || size > kMaxLegacySignedPackSize)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    size_t have = 0;
    while (have < bytes.size()) {
        uint32_t read = 0;
        const uint32_t ask = static_cast<uint32_t>(std::min<size_t>(bytes.size() - have, 1 << 20));
        if (!ReadFile(file.Get(), bytes.data() + have, ask, &read) || read == 0)
            return std::nullopt;
        have += read;
    }
    return bytes;
}

}  // namespace

bool PackSignatureValid(CInternetSession& session, const MinisignPublicKey& key,
                        const CString& packUrl, const CString& packName, const CString& packPath,
                        PackHasher& hasher) {
    const auto text = FetchSignatureFile(session, packUrl + u".minisig");
    if (!text)
        return false;
    const auto signature = ParseMinisignSignature(*text);
    if (!signature)
        return false;
    const std::string name = WideToUtf8(packName);
    if (signature->prehashed) {
        const Blake2b512Digest digest = hasher.Finish();
        return VerifyMinisign(key, *signature, name, digest);
    }
    const auto whole = ReadWholeFile(packPath);
    return whole && VerifyMinisign(key, *signature, name, *whole);
}

bool ReadPublicKeySetting(const CString& value, std::optional<MinisignPublicKey>& key) {
    key.reset();
    if (value.empty())
        return true;
    key = ParseMinisignPublicKey(WideToUtf8(value));
    return key.has_value();
}

CString SignatureRejectedText(const CString& packName, bool previousKept) {
    return FormatText(previousKept
                          ? u"%s: the signature is missing or not valid; the previous version "
                            u"was kept."
                          : u"%s: the signature is missing or not valid.",
                      packName);
}

CString SignatureRejectedReason() {
    return u"the signature is missing or not valid";
}
