// HTTP and HTTPS GET through libcurl, for the Linux programs.
#pragma once

#include "splitter/update/UpdateCheck.h"

namespace portelan {

class CCurlHttpClient : public IHttpClient {
  public:
    // userAgent: sent as the client's name.
    explicit CCurlHttpClient(std::string userAgent);
    HttpResult Get(const std::string& url, IHttpSink& sink) override;

  private:
    std::string m_userAgent;
};

} // namespace portelan
