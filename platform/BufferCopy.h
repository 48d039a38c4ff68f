// The copy through a user-space buffer that every platform can do; shared
// by the platform implementations only.
#pragma once

#include "platform/Platform.h"

namespace portelan::platform {

// False, with result telling which side, when either file is not open.
bool CanCopy(const File& in, const File& out, CopyResult& result);

// Continues a copy of up to n bytes (result holds what was copied so far)
// with read and write calls through a 1 MiB buffer.
CopyResult CopyThroughBuffer(File& in, File& out, std::int64_t n, CopyResult result);

} // namespace portelan::platform
