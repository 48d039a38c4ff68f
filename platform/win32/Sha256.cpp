// SHA-256 through CNG (bcrypt.dll), which every Windows since Vista has.
#include "platform/Sha256.h"

#include <windows.h>

#include <bcrypt.h>

#include "platform/Sha256Hex.h"

namespace portelan::platform {

struct Sha256::Impl {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool failed = false;

    void Close()
    {
        if (hash)
            BCryptDestroyHash(hash);
        if (algorithm)
            BCryptCloseAlgorithmProvider(algorithm, 0);
        hash = nullptr;
        algorithm = nullptr;
    }
};

Sha256::Sha256() : m_impl(std::make_unique<Impl>())
{
    // The hash object's memory is left to CNG (null buffer), as Windows 7
    // and later allow.
    m_impl->failed =
        !BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&m_impl->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !BCRYPT_SUCCESS(BCryptCreateHash(m_impl->algorithm, &m_impl->hash, nullptr, 0, nullptr, 0, 0));
}

Sha256::~Sha256() { m_impl->Close(); }

void Sha256::Update(const void* data, std::size_t n)
{
    // BCryptHashData takes at most 4 GiB at once.
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (!m_impl->failed && m_impl->hash && n > 0) {
        ULONG part = n > 0x40000000 ? 0x40000000 : static_cast<ULONG>(n);
        m_impl->failed = !BCRYPT_SUCCESS(BCryptHashData(m_impl->hash, const_cast<PUCHAR>(bytes), part, 0));
        bytes += part;
        n -= part;
    }
}

std::optional<std::string> Sha256::Finish()
{
    unsigned char digest[kSha256Bytes];
    bool ok = !m_impl->failed && m_impl->hash &&
              BCRYPT_SUCCESS(BCryptFinishHash(m_impl->hash, digest, sizeof digest, 0));
    m_impl->Close();
    if (!ok)
        return std::nullopt;
    return HexDigits(digest, sizeof digest);
}

} // namespace portelan::platform
