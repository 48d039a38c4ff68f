#include "splitter/ui/win32/ResourceJoiner.h"

#include <windows.h>

#include "splitter/ui/win32/Resource.h"

namespace portelan {

namespace {

int Slot(JoinerKind kind) { return kind == JoinerKind::Linux ? 1 : 0; }

} // namespace

bool CResourceJoiner::Carries(JoinerKind kind) const
{
#ifdef PORTELAN_LINUX_JOINER
    (void)kind;
    return true;
#else
    return kind == JoinerKind::Windows;
#endif
}

bool CResourceJoiner::Find(JoinerKind kind)
{
    const int id = kind == JoinerKind::Linux ? IDR_CONCAT_LINUX : IDR_CONCAT;
    m_hResource[Slot(kind)] = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"CONCAT");
    return m_hResource[Slot(kind)] != nullptr;
}

std::optional<std::span<const unsigned char>> CResourceJoiner::Load(JoinerKind kind)
{
    HRSRC found = static_cast<HRSRC>(m_hResource[Slot(kind)]);
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
