#include "platform/win32/WideText.h"

#include <windows.h>

namespace portelan::platform {

namespace {

std::string FromWide(std::wstring_view text, UINT codePage)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), n, nullptr, nullptr);
    return bytes;
}

} // namespace

std::wstring ToWide(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int length = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), n);
    return wide;
}

std::string ToUtf8(std::wstring_view utf16) { return FromWide(utf16, CP_UTF8); }

std::string ToAnsi(std::string_view utf8) { return FromWide(ToWide(utf8), CP_ACP); }

} // namespace portelan::platform
