#include "common/FailureReason.h"

namespace portelan {

std::string WithReason(std::string message, platform::Error error)
{
    if (error.IsSet()) {
        // Window texts separate lines with "\r\n".
        message += "\r\n";
        message += platform::ErrorText(error);
    }
    return message;
}

} // namespace portelan
