// The system's reason for a failed file operation, below the message that
// reports it.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace portelan {

// message, and on a line of its own the system's text for error; message
// alone when the system gave no reason.
std::string WithReason(std::string message, platform::Error error);

} // namespace portelan
