// Reading a package file once: the signature block first, then every byte in
// front of it into one buffer, hashed on the way in.
#pragma once

#include "package/Package.h"

class PackageFile {
public:
    PackageFile() = default;
    ~PackageFile();
    PackageFile(const PackageFile &) = delete;
    PackageFile &operator=(const PackageFile &) = delete;

    // Regular files only, looked at before they are opened.
    LoadFailure Open(const char *path);

    // The signature block into `signature` and the signed bytes into a new
    // buffer (released with free) in `*bytes`, but only when they verify: a
    // block that does not open with the key is refused before anything else
    // is read or allocated, as is a file longer than kMaxPackageLength.
    LoadFailure ReadVerified(uint8_t signature[kSignatureLength], SignedBytes *bytes);

private:
    int fd = -1;
    int64_t length = 0;
};
