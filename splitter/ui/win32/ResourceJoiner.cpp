#include "splitter/ui/win32/ResourceJoiner.h"

#include <windows.h>

#include "splitter/ui/win32/Resource.h"

namespace portelan {

bool CResourceJoiner::Find()
{
    m_hResource = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_CONCAT), "CONCAT");
    return m_hResource != nullptr;
}

std::optional<std::span<const unsigned char>> CResourceJoiner::Load()
{
    HRSRC found = static_cast<HRSRC>(m_hResource);
    if (!found)
        return std::nullopt;
    DWORD size = SizeofResource(nullptr, found);
    HGLOBAL loaded = LoadResource(nullptr, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return std::nullopt;
    return std::span<const unsigned char>(static_cast<const unsigned char*>(bytes), size);
}

} // namespace portelan
