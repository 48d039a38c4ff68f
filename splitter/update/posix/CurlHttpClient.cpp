#include "splitter/update/posix/CurlHttpClient.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "common/PathText.h"
#include "texts/SplitterTexts.h"

namespace portelan {
namespace {

struct Transfer {
    CURL* curl = nullptr;
    IHttpSink* sink = nullptr;
    bool begun = false;
    bool httpError = false;
    bool sinkStopped = false;
};

bool StatusOk(CURL* curl)
{
    long status = 0;
    return curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status > 0 && status < 400;
}

// The body of the final response (redirections are followed before it).
std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (!transfer.begun) {
        if (!StatusOk(transfer.curl)) {
            transfer.httpError = true;
            return 0; // no body of an error page is wanted
        }
        transfer.begun = true;
        if (!transfer.sink->Begin()) {
            transfer.sinkStopped = true;
            return 0;
        }
    }
    // Blocks of at most kHttpBlock bytes, as the sink expects.
    for (std::size_t done = 0; done < n; done += kHttpBlock) {
        std::size_t part = n - done < kHttpBlock ? n - done : kHttpBlock;
        if (!transfer.sink->Write(data + done, part)) {
            transfer.sinkStopped = true;
            return 0;
        }
    }
    return n;
}

} // namespace

CCurlHttpClient::CCurlHttpClient(std::string userAgent) : m_userAgent(std::move(userAgent))
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResult CCurlHttpClient::Get(const std::string& url, IHttpSink& sink)
{
    HttpResult result;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
        result.message = Tr(Text::UpdateNoLibcurl);
        return result;
    }
    Transfer transfer;
    transfer.curl = curl.get();
    transfer.sink = &sink;
    char error[CURL_ERROR_SIZE] = {};

    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    // HTTP and HTTPS only. A redirection may lead from http:// to https://
    // but never back: that would give up the verified server.
    const bool secure = ToLowerAscii(url.substr(0, 8)) == "https://";
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    // Verified against the system's store (these are libcurl's defaults,
    // set so that nothing can turn them off). A mirror with an authority of
    // its own is trusted through a bundle named by CURL_CA_BUNDLE, as the
    // curl tool reads it; the system's directory of authorities stays.
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle && *bundle)
        curl_easy_setopt(c, CURLOPT_CAINFO, bundle);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, m_userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    // A server that stops sending must not hang the program for ever.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, static_cast<long>(CURL_MAX_WRITE_SIZE));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);

    CURLcode code = curl_easy_perform(c);
    if (transfer.httpError) {
        result.status = HttpResult::Status::HttpError;
    } else if (transfer.sinkStopped) {
        result.status = HttpResult::Status::SinkStopped;
    } else if (code == CURLE_UNSUPPORTED_PROTOCOL || code == CURLE_URL_MALFORMAT) {
        result.status = HttpResult::Status::BadUrl;
    } else if (code == CURLE_PEER_FAILED_VERIFICATION) {
        result.status = HttpResult::Status::Untrusted;
        result.message = error[0] ? error : curl_easy_strerror(code);
    } else if (code != CURLE_OK) {
        result.status = HttpResult::Status::Failed;
        result.message = error[0] ? error : curl_easy_strerror(code);
    } else if (!StatusOk(c)) {
        result.status = HttpResult::Status::HttpError;
    } else if (!transfer.begun && !sink.Begin()) { // an empty body
        result.status = HttpResult::Status::SinkStopped;
    } else {
        result.status = HttpResult::Status::Ok;
    }
    return result;
}

} // namespace portelan
