// Secret: random tokens from getrandom(2), hashed with OpenSSL's SHA-256.
#include "server/Secret.h"

#include <sys/random.h>

#include <cerrno>
#include <stdexcept>

#include <openssl/crypto.h>
#include <openssl/sha.h>

std::string newSecret() {
    std::uint8_t bytes[32];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("no randomness from the system");
        }
        got += static_cast<std::size_t>(n);
    }
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(64);
    for (std::uint8_t byte : bytes) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

bool isSecretText(std::string_view text) {
    if (text.size() != 64) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

SecretHash hashSecret(std::string_view secret) {
    SecretHash hash;
    SHA256(reinterpret_cast<const unsigned char*>(secret.data()), secret.size(), hash.data());
    return hash;
}

bool sameHash(const SecretHash& a, const SecretHash& b) { return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0; }
