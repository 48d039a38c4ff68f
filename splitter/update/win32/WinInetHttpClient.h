// HTTP and HTTPS GET through WinInet, for the Windows programs.
#pragma once

#include <string>

#include "splitter/update/UpdateCheck.h"

namespace portelan {

class CWinInetHttpClient : public IHttpClient {
  public:
    // userAgent: sent as the client's name.
    explicit CWinInetHttpClient(std::string userAgent);
    HttpResult Get(const std::string& url, IHttpSink& sink) override;

  private:
    std::string m_userAgent;
};

} // namespace portelan
