#include "splitter/update/UpdateCheck.h"

#include <cstdlib>

#include "common/PathText.h"
#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "platform/Sha256.h"
#include "texts/SplitterTexts.h"

#ifndef PORTELAN_UPDATE_URL
#define PORTELAN_UPDATE_URL "http://www.portelan.invalid/"
#endif

namespace portelan {
namespace {

constexpr const char* kManifestPath = "Updates/_updates.txt";
constexpr const char* kManifestCopy = "_updates.txt";

// Our programs on either platform: a download never takes their names.
constexpr const char* kProgramNames[] = {"Portelan.exe", "PortelanConcat.exe", "portelan", "portelan-cli",
                                         "portelanconcat"};

// http:// or https:// (in any case) followed by a host.
bool IsHttpUrl(const std::string& url)
{
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
        if (url.size() <= scheme.size() || ToLowerAscii(url.substr(0, scheme.size())) != scheme)
            continue;
        char first = url[scheme.size()];
        return first != '/' && first != ':' && first != '?' && first != '#';
    }
    return false;
}

// Writes the body into the open temporary file, hashing it on the way when
// a checksum is to be compared.
class FileSink : public IHttpSink {
  public:
    FileSink(const std::string& path, platform::Sha256* hash) : m_path(path), m_hash(hash) {}
    bool Begin() override
    {
        platform::RemoveFile(m_path); // a leftover of an earlier attempt
        m_bOpened = m_file.Open(m_path, platform::File::Mode::CreateNew);
        return m_bOpened;
    }
    bool Write(const char* data, std::size_t n) override
    {
        m_bWriteFailed = !m_file.Write(data, n);
        if (m_hash)
            m_hash->Update(data, n);
        return !m_bWriteFailed;
    }

    bool Opened() const { return m_bOpened; }
    bool WriteFailed() const { return m_bWriteFailed; }
    bool Close() { return m_file.Close(); }

  private:
    std::string m_path;
    platform::Sha256* m_hash;
    platform::File m_file;
    bool m_bOpened = false;
    bool m_bWriteFailed = false;
};

// Ends the wait cursor also when an exception passes.
class WaitCursor {
  public:
    explicit WaitCursor(IUpdateUi& ui) : m_ui(ui) { m_ui.BeginWaitCursor(); }
    ~WaitCursor() { m_ui.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    IUpdateUi& m_ui;
};

} // namespace

std::string UpdateBaseUrl()
{
    const char* url = std::getenv("PORTELAN_UPDATE_URL");
    return url && *url ? url : PORTELAN_UPDATE_URL;
}

VersionNumbers ProgramVersion()
{
    return {PORTELAN_VERSION_MAJOR, PORTELAN_VERSION_MINOR, PORTELAN_VERSION_PATCH, PORTELAN_VERSION_TWEAK};
}

void SetProgramLocation(UpdateSettings& settings)
{
    PathParts program = SplitPath(platform::ModulePath());
    settings.programDir = program.directory;
    settings.programName = program.fileName;
}

UpdateSettings WindowUpdateSettings(VersionRecordReader readVersion)
{
    UpdateSettings settings;
    settings.baseUrl = UpdateBaseUrl();
    SetProgramLocation(settings);
    settings.appName = "Portelan";
    settings.copyToClipboard = true;
    settings.localVersion = readVersion;
    return settings;
}

bool DownloadFile(IHttpClient& http, IUpdateUi& ui, const std::string& appName, const std::string& url,
                  const std::string& localPath, std::string& errorText)
{
    return DownloadChecked(http, ui, appName, url, localPath, std::nullopt, errorText) == DownloadStatus::Ok;
}

DownloadStatus DownloadChecked(IHttpClient& http, IUpdateUi& ui, const std::string& appName,
                               const std::string& url, const std::string& localPath,
                               const std::optional<std::string>& sha256, std::string& errorText)
{
    if (!IsHttpUrl(url)) {
        errorText = Tr(Text::UpdateBadUrl);
        return DownloadStatus::Failed;
    }
    const std::string temporary = localPath + ".part";
    std::optional<platform::Sha256> hash;
    if (sha256)
        hash.emplace();
    FileSink sink(temporary, hash ? &*hash : nullptr);
    HttpResult result = http.Get(url, sink);
    bool closed = sink.Opened() && sink.Close();
    if (result.status == HttpResult::Status::Ok && closed) {
        // Checked before the file takes its final name, so that a damaged
        // archive never replaces an older one.
        if (hash && hash->Finish() != sha256) {
            platform::RemoveFile(temporary);
            return DownloadStatus::Corrupt;
        }
        if (platform::RenameReplacing(temporary, localPath))
            return DownloadStatus::Ok;
    }
    if (sink.Opened())
        platform::RemoveFile(temporary);

    switch (result.status) {
    case HttpResult::Status::BadUrl:
        errorText = Tr(Text::UpdateBadUrl);
        break;
    case HttpResult::Status::HttpError:
        errorText = Tr(Text::UpdateHttpError);
        break;
    case HttpResult::Status::SinkStopped:
        if (!sink.Opened())
            errorText = StrFormat(Tr(Text::CannotOpenForWriting), localPath.c_str());
        else
            ui.ShowMessageBox(StrFormat(Tr(Text::CannotWriteFile), localPath.c_str()), appName,
                              IUpdateUi::kOk);
        break;
    case HttpResult::Status::Failed:
        ui.ShowMessageBox(result.message, appName, IUpdateUi::kOk);
        break;
    case HttpResult::Status::Untrusted:
        ui.ShowMessageBox(StrFormat(Tr(Text::UpdateUntrusted), url.c_str()) +
                              (result.message.empty() ? "" : "\n(" + result.message + ")"),
                          appName, IUpdateUi::kOkStop);
        break;
    case HttpResult::Status::Ok: // the file could not be closed or moved into place
        ui.ShowMessageBox(StrFormat(Tr(Text::CannotWriteFile), localPath.c_str()), appName, IUpdateUi::kOk);
        break;
    }
    return DownloadStatus::Failed;
}

bool ReplacesProgram(const std::string& fileName, const UpdateSettings& settings)
{
    auto same = [](const std::string& a, const std::string& b) {
        return platform::FileNamesIgnoreCase() ? EqualsIgnoreCaseAscii(a, b) : a == b;
    };
    if (!settings.programName.empty() && same(fileName, settings.programName))
        return true;
    for (const char* program : kProgramNames)
        if (same(fileName, program))
            return true;
    return platform::IsProgramFile(settings.programDir + fileName);
}

UpdateList FetchManifest(IHttpClient& http, IUpdateUi& ui, const UpdateSettings& settings,
                         const std::string& url)
{
    UpdateList list;
    const std::string localPath = settings.programDir + kManifestCopy;
    std::string errorText; // not shown
    if (!DownloadFile(http, ui, settings.appName, url, localPath, errorText))
        return list;
    platform::File file;
    if (!file.Open(localPath, platform::File::Mode::Read))
        return list;
    // Read in blocks: the copy is never held whole, however long it is.
    ManifestReader reader;
    char block[16384];
    for (;;) {
        std::int64_t n = file.Read(block, sizeof block);
        if (n <= 0)
            break;
        reader.Feed(std::string_view(block, static_cast<std::size_t>(n)));
    }
    list = reader.Finish();
    file.Close();
    platform::RemoveFile(localPath);
    return list;
}

bool CheckForUpdate(const std::string& name, IHttpClient& http, IUpdateUi& ui, const UpdateSettings& settings)
{
    UpdateList list = FetchManifest(http, ui, settings, settings.baseUrl + kManifestPath);
    const UpdateEntry* entry = FindEntry(name, list);
    if (!entry)
        return false;

    std::optional<VersionNumbers> local = settings.localVersion ? settings.localVersion() : std::nullopt;
    if (!local || !IsNewerVersion(*entry, *local)) {
        ui.ShowMessageBox(Tr(Text::UpdateNoNewerVersion), Tr(Text::UpdateSearchCaption), IUpdateUi::kOk);
        return false;
    }
    // An entry whose names could write outside the program's directory, or
    // whose download would replace a program, is never offered: whoever
    // answers for the server must not be able to swap our executables.
    if (!IsDownloadable(*entry) || ReplacesProgram(*entry->fileName, settings))
        return false;

    const VersionNumbers& v = entry->version;
    std::string offer = StrFormat(Tr(Text::UpdateOffer), (*local)[0], (*local)[1], (*local)[2], (*local)[3],
                                  v[0], v[1], v[2], v[3], entry->size, SizeUnitName(entry->sizeUnit));
    if (ui.ShowMessageBox(offer, Tr(Text::UpdateSearchCaption), IUpdateUi::kYesNoQuestion) != BoxAnswer::Yes)
        return false;

    const std::string directory = entry->directory.value_or("");
    const std::string url = settings.baseUrl + directory + *entry->fileName;
    const std::string localPath = settings.programDir + *entry->fileName;
    std::string errorText;
    DownloadStatus status =
        DownloadChecked(http, ui, settings.appName, url, localPath, entry->sha256, errorText);
    if (status == DownloadStatus::Corrupt) {
        ui.ShowMessageBox(StrFormat(Tr(Text::UpdateDownloadDamaged), localPath.c_str()),
                          Tr(Text::UpdateDownloadFailedCaption), IUpdateUi::kOkStop);
        return false;
    }
    if (status != DownloadStatus::Ok) {
        ui.ShowMessageBox(StrFormat(Tr(Text::UpdateDownloadFailed), errorText.c_str()),
                          Tr(Text::UpdateDownloadFailedCaption), IUpdateUi::kOkStop);
        return false;
    }
    ui.ShowMessageBox(StrFormat(Tr(Text::UpdateDone), v[0], v[1], v[2], v[3], localPath.c_str()),
                      Tr(Text::UpdateDoneCaption), IUpdateUi::kOkInformation);
    if (settings.copyToClipboard)
        ui.CopyTextToClipboard(localPath); // a failure is not reported
    return true;
}

bool RunUpdateCommand(const std::string& name, IHttpClient& http, IUpdateUi& ui,
                      const UpdateSettings& settings)
{
    const BoxAnswer answer = ui.ShowMessageBox(Tr(Text::UpdateQuestion), Tr(Text::UpdateQuestionCaption),
                                               IUpdateUi::kYesNoInformation);
    if (answer != BoxAnswer::Yes)
        return false;
    WaitCursor wait(ui);
    return CheckForUpdate(name, http, ui, settings);
}

} // namespace portelan
