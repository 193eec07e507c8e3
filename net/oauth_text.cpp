// Percent-encoding, decoding and nonces for the OAuth signer.
#include <sys/random.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "net/oauth.h"
#include "net/oauth_params.h"
#include "platform/threads.h"

namespace OAuth {
namespace {

bool IsUnreserved(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           byte == '_' || byte == '~' || byte == '.' || byte == '-';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Fills `bytes` from the kernel's random source. Should that ever fail, a
// counter mixed with the clock still keeps nonces apart within this process.
void FillRandom(uint8_t* bytes, size_t length) {
    size_t filled = 0;
    while (filled < length) {
        ssize_t got = getrandom(bytes + filled, length - filled, 0);
        if (got > 0) {
            filled += static_cast<size_t>(got);
        } else if (got < 0 && errno != EINTR) {
            break;
        }
    }
    if (filled == length) return;
    static std::atomic<uint64_t> counter{0};
    uint64_t state = GetTimeMicros() ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    for (size_t i = filled; i < length; ++i) {
        state += 0x9E3779B97F4A7C15ull;  // splitmix64
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        bytes[i] = static_cast<uint8_t>(z ^ (z >> 31));
    }
}

}  // namespace

std::string UrlEscape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string UrlEscape(const char* text) {
    return text ? UrlEscape(std::string(text)) : std::string();
}

std::string UrlUnescape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = HexValue(text[i + 1]);
            int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string GenerateNonce() {
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
    constexpr unsigned kAlphabetSize = sizeof(kAlphabet) - 1;  // 63
    // Random bytes at or above 252 are skipped so every character is equally likely.
    constexpr unsigned kUnbiasedLimit = 256 / kAlphabetSize * kAlphabetSize;

    uint8_t lengthByte = 0;
    FillRandom(&lengthByte, 1);
    size_t length = 15 + (lengthByte & 15);

    std::string nonce;
    uint8_t pool[64];
    while (nonce.size() < length) {
        FillRandom(pool, sizeof(pool));
        for (size_t i = 0; i < sizeof(pool) && nonce.size() < length; ++i) {
            if (pool[i] < kUnbiasedLimit) nonce += kAlphabet[pool[i] % kAlphabetSize];
        }
    }
    return nonce;
}

std::string CatEscaped(std::initializer_list<const char*> texts) {
    std::string out;
    bool first = true;
    for (const char* text : texts) {
        if (!first) out += '&';
        first = false;
        out += UrlEscape(text);
    }
    return out;
}

}  // namespace OAuth
