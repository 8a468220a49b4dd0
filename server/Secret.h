// Secret: the seats' tokens and the invitation's claim. Each is 256 bits from
// the system's random source, written as 64 lowercase hex digits; the server
// keeps only its SHA-256.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

using SecretHash = std::array<std::uint8_t, 32>;

// Whether TEXT is written as a secret is: 64 lowercase hex digits.
bool isSecretText(std::string_view text);

// A fresh secret. Throws std::runtime_error when the system gives no randomness.
std::string newSecret();

SecretHash hashSecret(std::string_view secret);

// Compares in a time that does not depend on where the two first differ.
bool sameHash(const SecretHash& a, const SecretHash& b);
