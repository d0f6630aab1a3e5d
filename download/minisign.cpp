#include "download/minisign.h"

#include <algorithm>

namespace {

constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";
constexpr std::string_view kFileField = "file:";

// The value of one base64 character, or -1.
int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

std::string_view TrimBlanks(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Splits off the next line (without its "\n" or "\r\n"); nothing when no text is left.
std::optional<std::string_view> NextLine(std::string_view& rest) {
    if (rest.empty())
        return std::nullopt;
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

template <size_t N>
void CopyBytes(std::array<uint8_t, N>& to, const std::vector<uint8_t>& from, size_t at) {
    std::copy(from.begin() + static_cast<std::ptrdiff_t>(at),
              from.begin() + static_cast<std::ptrdiff_t>(at + N), to.begin());
}

bool HasAlgorithm(const std::vector<uint8_t>& bytes, char first, char second) {
    return bytes.size() >= 2 && bytes[0] == static_cast<uint8_t>(first) &&
           bytes[1] == static_cast<uint8_t>(second);
}

}  // namespace

std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text) {
    text = TrimBlanks(text);
    if (text.size() % 4 != 0)
        return std::nullopt;
    size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = text.size() >= 2 && text[text.size() - 2] == '=' ? 2 : 1;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3);
    uint32_t bits = 0;
    int bitCount = 0;
    for (size_t i = 0; i < text.size() - padding; ++i) {
        const int value = Base64Value(text[i]);
        if (value < 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes.push_back(static_cast<uint8_t>(bits >> bitCount));
            bits &= (1u << bitCount) - 1;
        }
    }
    // What padding stands for must be zero bits: another text for the same bytes is refused.
    if (bits != 0)
        return std::nullopt;
    return bytes;
}

std::optional<MinisignPublicKey> ParseMinisignPublicKey(std::string_view line) {
    const auto bytes = DecodeBase64(line);
    MinisignPublicKey key;
    if (!bytes || bytes->size() != 2 + key.keyId.size() + key.key.size() ||
        !HasAlgorithm(*bytes, 'E', 'd'))
        return std::nullopt;
    CopyBytes(key.keyId, *bytes, 2);
    CopyBytes(key.key, *bytes, 2 + key.keyId.size());
    return key;
}

std::optional<MinisignSignature> ParseMinisignSignature(std::string_view fileText) {
    if (fileText.size() > kMaxMinisignFileSize)
        return std::nullopt;
    std::string_view rest = fileText;
    const auto untrusted = NextLine(rest);
    const auto signatureLine = NextLine(rest);
    const auto trusted = NextLine(rest);
    const auto globalLine = NextLine(rest);
    if (!globalLine || !untrusted->starts_with(kUntrustedPrefix) ||
        !trusted->starts_with(kTrustedPrefix) || !TrimBlanks(rest).empty())
        return std::nullopt;

    MinisignSignature signature;
    const auto bytes = DecodeBase64(*signatureLine);
    const auto global = DecodeBase64(*globalLine);
    if (!bytes || bytes->size() != 2 + signature.keyId.size() + signature.signature.size() ||
        !global || global->size() != signature.globalSignature.size())
        return std::nullopt;
    if (HasAlgorithm(*bytes, 'E', 'D'))
        signature.prehashed = true;
    else if (HasAlgorithm(*bytes, 'E', 'd'))
        signature.prehashed = false;
    else
        return std::nullopt;
    CopyBytes(signature.keyId, *bytes, 2);
    CopyBytes(signature.signature, *bytes, 2 + signature.keyId.size());
    CopyBytes(signature.globalSignature, *global, 0);
    signature.trustedComment = trusted->substr(kTrustedPrefix.size());
    return signature;
}

std::optional<std::string> TrustedCommentFileName(std::string_view trustedComment) {
    while (!trustedComment.empty()) {
        const size_t tab = trustedComment.find('\t');
        const std::string_view field = trustedComment.substr(0, tab);
        if (field.starts_with(kFileField))
            return std::string(field.substr(kFileField.size()));
        if (tab == std::string_view::npos)
            break;
        trustedComment.remove_prefix(tab + 1);
    }
    return std::nullopt;
}

bool VerifyMinisign(const MinisignPublicKey& key, const MinisignSignature& signature,
                    std::string_view fileName, std::span<const uint8_t> message) {
    if (signature.keyId != key.keyId)
        return false;
    if (!VerifyEd25519(key.key, message, signature.signature))
        return false;
    // The global signature binds the trusted comment to this signature.
    std::vector<uint8_t> signedComment(signature.signature.begin(), signature.signature.end());
    signedComment.insert(signedComment.end(), signature.trustedComment.begin(),
                         signature.trustedComment.end());
    if (!VerifyEd25519(key.key, signedComment, signature.globalSignature))
        return false;
    const auto namedFile = TrustedCommentFileName(signature.trustedComment);
    return !namedFile || *namedFile == fileName;
}
