#include "splitter/update/win32/WinInetHttpClient.h"

#include <windows.h>

#include <wininet.h>

#include <cstdint>
#include <string>

#include "common/StrFormat.h"
#include "texts/SplitterTexts.h"

namespace portelan {
namespace {

class CHandle {
  public:
    explicit CHandle(HINTERNET handle) : m_handle(handle) {}
    ~CHandle()
    {
        if (m_handle)
            InternetCloseHandle(m_handle);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    HINTERNET Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

  private:
    HINTERNET m_handle;
};

// "error 12029": the system's number of a failure, for the message.
std::string ErrorNumber(DWORD error) { return StrFormat(Tr(Text::UpdateSystemError), error); }

// The step that failed and the system's number of the failure.
HttpResult Failure(Text step)
{
    const DWORD error = GetLastError();
    HttpResult result;
    result.status = HttpResult::Status::Failed;
    result.message = std::string(Tr(step)) + " (" + ErrorNumber(error) + ")";
    return result;
}

HttpResult WithStatus(HttpResult::Status status)
{
    HttpResult result;
    result.status = status;
    return result;
}

// The errors by which WinInet refuses a server's certificate.
bool IsCertificateError(DWORD error)
{
    switch (error) {
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
        return true;
    default:
        return false;
    }
}

} // namespace

CWinInetHttpClient::CWinInetHttpClient(std::string userAgent) : m_userAgent(std::move(userAgent)) {}

HttpResult CWinInetHttpClient::Get(const std::string& url, IHttpSink& sink)
{
    // Only http:// or https:// with a host; the port given in the URL is used.
    char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = {};
    std::string path(url.size() + 1, '\0');
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = static_cast<DWORD>(path.size());
    std::string extra(url.size() + 1, '\0');
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) || host[0] == '\0')
        return WithStatus(HttpResult::Status::BadUrl);
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    std::string object = path.c_str();
    object += extra.c_str(); // the query, if any
    if (object.empty())
        object = "/";

    // The proxy the user set up for the system, if any.
    CHandle session(InternetOpenA(m_userAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session)
        return Failure(Text::UpdateNoWinInet);
    // A server that stops sending must not hang the program for ever.
    DWORD timeout = 60000;
    InternetSetOptionA(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionA(session.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    CHandle connection(
        InternetConnectA(session.Get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return Failure(Text::UpdateNoConnection);
    const char* accept[] = {"*/*", nullptr};
    // HTTPS verifies certificate and host name (no INTERNET_FLAG_IGNORE_CERT_*
    // flag). A redirection from http:// to https:// is followed; one from
    // https:// back to http:// is refused, as WinInet does by default.
    DWORD flags =
        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    if (secure)
        flags |= INTERNET_FLAG_SECURE;
    CHandle request(
        HttpOpenRequestA(connection.Get(), "GET", object.c_str(), nullptr, nullptr, accept, flags, 0));
    if (!request)
        return Failure(Text::UpdateRequestNotCreated);
    if (!HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0)) {
        DWORD error = GetLastError();
        if (IsCertificateError(error)) {
            HttpResult result = WithStatus(HttpResult::Status::Untrusted);
            result.message = ErrorNumber(error);
            return result;
        }
        return Failure(Text::UpdateRequestNotSent);
    }

    // Redirections have been followed; this is the final response.
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr) ||
        status == 0 || status >= 400)
        return WithStatus(HttpResult::Status::HttpError);
    // An announced length that does not arrive is a broken transfer.
    DWORD announced = 0;
    size = sizeof announced;
    bool haveLength = HttpQueryInfoA(request.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                                     &announced, &size, nullptr) != FALSE;

    if (!sink.Begin())
        return WithStatus(HttpResult::Status::SinkStopped);
    char buffer[kHttpBlock];
    std::uint64_t received = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.Get(), buffer, sizeof buffer, &got))
            return Failure(Text::UpdateTransferCut);
        if (got == 0)
            break;
        received += got;
        if (!sink.Write(buffer, got))
            return WithStatus(HttpResult::Status::SinkStopped);
    }
    if (haveLength && received < announced) {
        HttpResult result;
        result.status = HttpResult::Status::Failed;
        result.message = Tr(Text::UpdateTransferCut);
        return result;
    }
    return WithStatus(HttpResult::Status::Ok);
}

} // namespace portelan
