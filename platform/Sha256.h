// SHA-256 through the system's own cryptography, fed in pieces as the data
// arrives. Kept apart from Platform.h: only the update check needs it, and
// the joiner must not carry a cryptography library.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace portelan::platform {

class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, std::size_t n);
    // The digest of everything fed so far as 64 lower-case hexadecimal
    // digits; nullopt when the system could not compute it. Ends the hash:
    // Update and Finish have no effect afterwards.
    std::optional<std::string> Finish();

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace portelan::platform
