// Which key the build checks package signatures with, as people compare keys:
// the SHA-256 of its DER SubjectPublicKeyInfo (what
// `openssl pkey -pubin -outform DER | sha256sum` prints for its PEM file).
#pragma once

#include <string>

struct VerifyKeyFingerprint {
    std::string sha256; // 64 lower-case hex digits
    bool development;   // the key of res/keys/development
};

// 0, or -1 when the built-in key cannot be read.
int GetVerifyKeyFingerprint(VerifyKeyFingerprint *fingerprint);

// "package verify key SHA-256 <hex>", followed by " (development key)" when
// it is that key; names the failure when the key cannot be read.
std::string VerifyKeyDescription();
