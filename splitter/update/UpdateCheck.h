// Looking for, and downloading, a newer version of the splitter.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "splitter/update/UpdateEntry.h"

namespace portelan {

// Receives a response body. Begin is called once the status is known to be
// below 400 (also for an empty body), before any Write; either returning
// false stops the transfer.
class IHttpSink {
  public:
    virtual ~IHttpSink() = default;
    virtual bool Begin() = 0;
    virtual bool Write(const char* data, std::size_t n) = 0;
};

struct HttpResult {
    enum class Status {
        Ok,          // status below 400, whole body delivered
        BadUrl,      // not an http:// or https:// URL the client can use
        Untrusted,   // https:// whose certificate is not trusted or names another host
        HttpError,   // status 400 or more, or none
        Failed,      // network failure (message says why)
        SinkStopped, // the sink refused
    };
    Status status = Status::Failed;
    std::string message;
};

// GET over HTTP or HTTPS, following redirections (never from https:// to
// http://); a port in the URL is used. HTTPS verifies the server's
// certificate and host name against the system's trusted authorities.
class IHttpClient {
  public:
    virtual ~IHttpClient() = default;
    // Streams the body into sink in blocks of at most kHttpBlock bytes.
    virtual HttpResult Get(const std::string& url, IHttpSink& sink) = 0;
};
constexpr std::size_t kHttpBlock = 1024;

// A message box's buttons and icon, and the button that closed it.
enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { None, Stop, Question, Information };
struct BoxStyle {
    BoxButtons buttons = BoxButtons::Ok;
    BoxIcon icon = BoxIcon::None;
    bool operator==(const BoxStyle&) const = default;
};
// Closing a Yes/No box any other way answers No.
enum class BoxAnswer { Ok, Yes, No };

// What the update check shows and asks.
class IUpdateUi {
  public:
    static constexpr BoxStyle kOk{BoxButtons::Ok, BoxIcon::None};
    static constexpr BoxStyle kOkStop{BoxButtons::Ok, BoxIcon::Stop};
    static constexpr BoxStyle kYesNoQuestion{BoxButtons::YesNo, BoxIcon::Question};
    static constexpr BoxStyle kOkInformation{BoxButtons::Ok, BoxIcon::Information};
    static constexpr BoxStyle kYesNoInformation{BoxButtons::YesNo, BoxIcon::Information};

    virtual ~IUpdateUi() = default;
    virtual BoxAnswer ShowMessageBox(const std::string& text, const std::string& caption, BoxStyle style) = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // Plain text on the clipboard; false when that failed.
    virtual bool CopyTextToClipboard(const std::string& text) = 0;
};

struct UpdateSettings {
    std::string baseUrl;     // ends in '/'
    std::string programDir;  // where the manifest copy and the archive land; ends in a separator
    std::string programName; // the running program's file name, never replaced by a download
    std::string appName;     // caption of network and file error boxes
    bool copyToClipboard = true;
    // The program's own version; nullopt when it cannot be read.
    std::function<std::optional<VersionNumbers>()> localVersion;
};

// The base URL built in (a CMake cache setting), or the value of the
// environment variable PORTELAN_UPDATE_URL when that is set and not empty.
std::string UpdateBaseUrl();
// The version this program was built as.
VersionNumbers ProgramVersion();

// Fetches url into localPath. The body goes to a temporary file beside it
// that replaces localPath only when complete, so a failed download leaves
// nothing under that name. On failure errorText may be set to the texts
// UpdateBadUrl, UpdateHttpError or CannotOpenForWriting; a network
// or file failure, or a refused certificate, instead shows its own box
// (caption appName) and leaves errorText as it was.
bool DownloadFile(IHttpClient& http, IUpdateUi& ui, const std::string& appName, const std::string& url,
                  const std::string& localPath, std::string& errorText);

enum class DownloadStatus { Ok, Failed, Corrupt };
// DownloadFile that, given sha256 (64 lower-case hexadecimal digits), also
// checks the body's SHA-256 before the file takes its final name; on a
// mismatch the temporary file is removed and the result is Corrupt, with
// nothing shown and errorText untouched.
DownloadStatus DownloadChecked(IHttpClient& http, IUpdateUi& ui, const std::string& appName,
                               const std::string& url, const std::string& localPath,
                               const std::optional<std::string>& sha256, std::string& errorText);

// True when a download under fileName into the program's directory would
// replace a program: the running one, one of ours by name (without regard
// to case where the system ignores it), or any file there that the system
// would start.
bool ReplacesProgram(const std::string& fileName, const UpdateSettings& settings);

// Downloads the manifest to "_updates.txt" in programDir, parses and
// deletes it. Empty when nothing could be fetched.
UpdateList FetchManifest(IHttpClient& http, IUpdateUi& ui, const UpdateSettings& settings,
                         const std::string& url);

// Looks for the entry called name, offers a newer version and downloads it
// into programDir. An entry whose names are unsafe or would replace a
// program is not offered. True only when a new version was downloaded.
bool CheckForUpdate(const std::string& name, IHttpClient& http, IUpdateUi& ui,
                    const UpdateSettings& settings);

// The whole command: asks first, then checks under the wait cursor.
bool RunUpdateCommand(const std::string& name, IHttpClient& http, IUpdateUi& ui,
                      const UpdateSettings& settings);

// How the splitter's windows read their own file version (OwnFileVersion).
using VersionRecordReader = std::optional<VersionNumbers> (*)();
// The running program's directory and file name in settings.
void SetProgramLocation(UpdateSettings& settings);
// The settings of the splitter's windows on either platform: boxes captioned
// "Portelan", the archive in the program's own directory and its path on the
// clipboard, the own version from the version record.
UpdateSettings WindowUpdateSettings(VersionRecordReader readVersion);

// The name under which the manifest lists the splitter.
inline constexpr const char* kUpdateName = "portelan";

// Makes the HTTP client of the update check; without one each program uses
// its platform's own (libcurl, WinInet).
using UpdateClientFactory = std::function<std::unique_ptr<IHttpClient>()>;

} // namespace portelan
