// SHA-256 through OpenSSL's libcrypto, which libcurl already brings along.
#include "platform/Sha256.h"

#include <openssl/evp.h>

#include "platform/Sha256Hex.h"

namespace portelan::platform {

struct Sha256::Impl {
    EVP_MD_CTX* context = nullptr;
    bool failed = false;
};

Sha256::Sha256() : m_impl(std::make_unique<Impl>())
{
    m_impl->context = EVP_MD_CTX_new();
    m_impl->failed = !m_impl->context || EVP_DigestInit_ex(m_impl->context, EVP_sha256(), nullptr) != 1;
}

Sha256::~Sha256() { EVP_MD_CTX_free(m_impl->context); }

void Sha256::Update(const void* data, std::size_t n)
{
    if (!m_impl->failed && m_impl->context)
        m_impl->failed = EVP_DigestUpdate(m_impl->context, data, n) != 1;
}

std::optional<std::string> Sha256::Finish()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    bool ok = !m_impl->failed && m_impl->context &&
              EVP_DigestFinal_ex(m_impl->context, digest, &length) == 1 && length == kSha256Bytes;
    EVP_MD_CTX_free(m_impl->context);
    m_impl->context = nullptr;
    if (!ok)
        return std::nullopt;
    return HexDigits(digest, length);
}

} // namespace portelan::platform
