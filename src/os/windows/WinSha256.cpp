#include "os/Sha256.h"

#include "os/windows/WinSupport.h"

#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace prolamo::os {

namespace {

void Check(NTSTATUS status, const char* call) {
    if (status < 0) {
        char text[96];
        std::snprintf(text, sizeof text, "SHA-256 failed: %s returned 0x%08lX", call,
                      static_cast<unsigned long>(status));
        throw std::runtime_error(text);
    }
}

// Opened once for the process; a provider handle may be shared by any number of hashes.
BCRYPT_ALG_HANDLE Provider() {
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE handle = nullptr;
        Check(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0), "BCryptOpenAlgorithmProvider");
        return handle;
    }();
    return provider;
}

struct HashHandle {
    BCRYPT_HASH_HANDLE handle = nullptr;
    ~HashHandle() {
        if (handle)
            BCryptDestroyHash(handle);
    }
};

} // namespace

Sha256Digest Sha256(std::span<const std::uint8_t> bytes) {
    HashHandle hash;
    Check(BCryptCreateHash(Provider(), &hash.handle, nullptr, 0, nullptr, 0, 0), "BCryptCreateHash");
    // BCryptHashData takes a ULONG length.
    constexpr std::size_t Chunk = 1u << 30;
    for (std::size_t done = 0; done < bytes.size(); done += Chunk) {
        const std::size_t size = std::min(Chunk, bytes.size() - done);
        Check(BCryptHashData(hash.handle, const_cast<PUCHAR>(bytes.data() + done), static_cast<ULONG>(size), 0),
              "BCryptHashData");
    }
    Sha256Digest digest{};
    Check(BCryptFinishHash(hash.handle, digest.data(), static_cast<ULONG>(digest.size()), 0), "BCryptFinishHash");
    return digest;
}

} // namespace prolamo::os
