#include "joiner/ConcatApp.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <vector>

#include "common/Checksum.h"
#include "common/ChecksumList.h"
#include "common/Crc32.h"
#include "common/FailureReason.h"
#include "common/FileNames.h"
#include "common/PathText.h"
#include "common/SizeText.h"
#include "common/StrFormat.h"
#include "platform/Platform.h"

namespace portelan {

namespace {

constexpr const char* kConfigSuffix = ".cfg";
constexpr std::size_t kCheckBuffer = 1 << 20;

constexpr std::string_view kTempPrefix = ".~portelan-";
constexpr std::string_view kTempSuffix = ".tmp";

// A temporary file of ours carries its own identity in its name, which no
// file of the user's does by chance: ".~portelan-<16 hex digits>.tmp".
std::string TemporaryName(std::uint64_t identity)
{
    std::string name(kTempPrefix);
    for (int shift = 60; shift >= 0; shift -= 4)
        name += "0123456789abcdef"[(identity >> shift) & 0xF];
    name += kTempSuffix;
    return name;
}

// Temporary files of joins that were killed: named for the very file they
// are (a link is not followed, so it never is), and no process holds their
// lock.
void RemoveStaleTemporaries(const std::string& dir)
{
    for (const std::string& name : platform::ListDirectory(dir)) {
        const std::optional<std::uint64_t> identity = platform::RegularFileIdentity(dir + name);
        platform::File stale;
        if (identity && name == TemporaryName(*identity) &&
            stale.Open(dir + name, platform::File::Mode::Read) && stale.TryLock())
            platform::RemoveFile(dir + name);
    }
}

// Creates and locks a temporary file of our own in dir under a provisional
// name. Names are numbered on for as long as they are taken, so they cannot
// run out.
bool CreateTemporary(const std::string& dir, platform::File& out, std::string& path)
{
    RemoveStaleTemporaries(dir);
    for (unsigned n = 0;; ++n) {
        path = dir + StrFormat(".~portelan%02u.new", n);
        if (!out.Open(path, platform::File::Mode::CreateNew)) {
            if (!platform::Exists(path))
                return false;
            continue;
        }
        // Locked before it takes its name: from then on no other join's
        // clean-up may take it for a stale one.
        if (out.TryLock())
            return true;
        out.Close();
    }
}

// Gives the locked temporary file the name that tells it is ours. Without
// one it keeps the provisional name: the join works as well, only a killed
// join's leftover stays.
void NameAsOurs(const std::string& dir, const platform::File& out, std::string& path)
{
    if (const std::optional<std::uint64_t> identity = out.Identity()) {
        const std::string named = dir + TemporaryName(*identity);
        if (!platform::Exists(named) && platform::RenameReplacing(path, named))
            path = named;
    }
}

// No piece of a set is empty: the join refuses one, and verify does not
// call it intact.
bool IsEmptyPiece(std::int64_t bytes) { return bytes == 0; }

// The sum the checksum list gives for piece i, if any; a list names no
// piece beyond kMaxListedPieces.
std::optional<std::uint32_t> ListedSum(const std::vector<std::optional<std::uint32_t>>& listed, int i)
{
    const auto at = static_cast<std::size_t>(i - 1);
    return at < listed.size() ? listed[at] : std::nullopt;
}

// Where the medium's read-back of the first bytes of the rebuilt file
// stands: the copy hands it whole blocks only, where ranges flush alone.
std::int64_t WholeBlocks(std::int64_t bytes)
{
    if constexpr (!platform::File::kFlushesRanges)
        return bytes;
    return bytes - bytes % std::int64_t{platform::File::kMediumBlock};
}

} // namespace

CConcatApp::CConcatApp(IConcatFrontEnd& ui, std::string anchorPath, Anchor anchor)
    : m_ui(ui), m_strAnchorPath(std::move(anchorPath)), m_anchor(anchor)
{
}

CConcatApp CConcatApp::ForConfigFile(IConcatFrontEnd& ui, std::string configPath)
{
    return CConcatApp(ui, std::move(configPath), Anchor::ConfigFile);
}

std::string CConcatApp::GetModuleDir() const
{
    std::string dir = SplitPath(m_strAnchorPath).directory;
    EnsureTrailingBackslash(dir);
    return dir;
}

// The Windows joiner "_film.exe" belongs to "_film.cfg"; the Linux joiner
// "_setup.exe" to "_setup.exe.cfg", its whole name, and, in sets from
// before it had a name of its own, to "_setup.cfg". Only ".exe" is cut:
// "_archive.tar" belongs to "_archive.tar.cfg".
std::string CConcatApp::ConfigStem(bool older) const
{
    std::string name = SplitPath(m_strAnchorPath).fileName;
    const bool linuxJoiner = m_anchor == Anchor::LinuxJoiner;
    if (linuxJoiner && !older)
        return name;
    // Only the Linux joiner has a second name to try.
    if (older != linuxJoiner)
        return {};
    const char* suffix = m_anchor == Anchor::ConfigFile ? kConfigSuffix : ".exe";
    if (name.size() > 4 && EqualsIgnoreCaseAscii(name.substr(name.size() - 4), suffix))
        name.resize(name.size() - 4);
    else if (linuxJoiner)
        return {};
    return name;
}

// The name asked for when none is found: the older one where there are two.
std::string CConcatApp::GetModuleBaseName() const
{
    std::string older = ConfigStem(true);
    return ToLowerAscii(older.empty() ? ConfigStem(false) : older);
}

bool CConcatApp::Report(JoinerText text, const std::string& path, platform::Error error)
{
    m_ui.ReportError(WithReason(StrFormat(Tr(text), path.c_str()), error));
    return false;
}

std::string CConcatApp::TargetPath() const { return GetModuleDir() + m_strName + "." + m_strExt; }

bool CConcatApp::OpenConfigIn(const std::string& dir, platform::File& file)
{
    using platform::File;
    // On a file system that tells cases apart, a set written elsewhere may
    // carry capitals: try the name as it is, lower-cased, then any spelling.
    for (bool older : {false, true}) {
        const std::string stem = ConfigStem(older);
        if (stem.empty())
            continue;
        const std::string lowerName = ToLowerAscii(stem) + kConfigSuffix;
        for (const std::string& path : {dir + stem + kConfigSuffix, dir + lowerName}) {
            if (file.Open(path, File::Mode::Read)) {
                m_strConfigPath = path;
                return true;
            }
        }
        for (const std::string& entry : platform::ListDirectory(dir)) {
            if (EqualsIgnoreCaseAscii(entry, lowerName) && file.Open(dir + entry, File::Mode::Read)) {
                m_strConfigPath = dir + entry;
                return true;
            }
        }
    }
    return false;
}

bool CConcatApp::LoadConfig(CSplitConfig& record)
{
    m_strDir = GetModuleDir();
    const std::string fileName = GetModuleBaseName() + kConfigSuffix;
    for (;;) {
        platform::File file;
        if (OpenConfigIn(m_strDir, file)) {
            if (record.Read(file))
                return true;
            Report(JoinerText::ConfigUnreadable, m_strConfigPath, file.LastError());
            return false;
        }
        if (!m_ui.AskForDirectory(m_strDir, fileName))
            return false;
    }
}

std::string CConcatApp::ValidateRecord() const
{
    using T = JoinerText;
    T reason = T::Count;
    if (m_nCount <= 0)
        reason = T::ConfigNoPieces;
    else if (m_nCount > kMaxPieces)
        reason = T::ConfigTooManyPieces;
    else if (!m_bNamesDecoded)
        reason = T::ConfigBadEncoding;
    else if (m_strName.empty() || m_strExt.empty())
        reason = T::ConfigNoName;
    else if (const SetNameFault fault =
                 CheckSetNames(m_strName, m_strExt, platform::FileNamesFollowWindowsRules());
             fault == SetNameFault::WindowsReserved)
        reason = T::ConfigNameReserved;
    else if (fault != SetNameFault::None)
        reason = T::ConfigNameInvalid;
    if (reason == T::Count)
        return {};
    return StrFormat(Tr(T::ConfigInvalid), m_strConfigPath.c_str(), Tr(reason));
}

bool CConcatApp::LoadAcceptedRecord()
{
    CSplitConfig record;
    return LoadConfig(record) && AcceptRecord(record);
}

bool CConcatApp::AcceptRecord(const CSplitConfig& record)
{
    m_strStoredName = record.BaseName();
    std::optional<std::string> name = record.DecodedBaseName();
    std::optional<std::string> ext = record.DecodedExtension();
    m_bNamesDecoded = name && ext;
    m_strName = name.value_or(m_strStoredName);
    m_strExt = ext.value_or(record.Extension());
    m_nTotalSize = record.m_nSourceSize;
    m_nCount = record.m_nCount;
    m_bHasChecksum = record.HasChecksum();
    m_nChecksum = record.Checksum();

    if (std::string refusal = ValidateRecord(); !refusal.empty()) {
        m_ui.ReportError(refusal);
        return false;
    }
    return true;
}

std::vector<std::optional<std::uint32_t>> CConcatApp::ListedChecksums(bool& found) const
{
    // The splitter names the list and the pieces in it with the same bytes
    // as the pieces: where those are not the record's decoded spelling, the
    // list is looked for under the stored one too.
    const std::string dir = SplitPath(m_strConfigPath).directory;
    const bool otherSpelling = !m_strStoredName.empty() && m_strStoredName != m_strName;
    const std::size_t spellings = platform::FileNamesAreBytes() && otherSpelling ? 2 : 1;
    const std::string* names[] = {&m_strName, &m_strStoredName};
    for (std::size_t i = 0; i < spellings; ++i) {
        const std::string& name = *names[i];
        std::optional<std::vector<std::optional<std::uint32_t>>> listed =
            ReadChecksumList(ChecksumListFileName(dir, name), name, m_nCount);
        if (listed) {
            found = true;
            return std::move(*listed);
        }
    }
    found = false;
    return {};
}

bool CConcatApp::InitInstance()
{
    if (!LoadAcceptedRecord())
        return false;

    // The target is created beside the anchor: that volume needs the room.
    const FreeSpace free = CheckFreeSpace(GetModuleDir(), m_nTotalSize);
    if (!free.enough) {
        m_ui.ReportError(StrFormat(Tr(JoinerText::JoinNoSpace), FormatSize(free.bytes).c_str(),
                                   GetModuleDir().c_str(), FormatSize(m_nTotalSize).c_str()));
        return false;
    }

    if (!JoinPieces())
        return false;
    m_ui.ShowMessage(StrFormat(Tr(JoinerText::JoinDone), TargetPath().c_str()),
                     Tr(JoinerText::JoinDoneCaption));
    m_ui.ShowJoinSummary();
    return true;
}

bool CConcatApp::RefuseIfPiece(const std::string& piecePath, const std::string& target)
{
    if (piecePath != target && !platform::SameFile(piecePath, target))
        return false;
    Report(JoinerText::TargetIsPiece, target);
    return true;
}

CConcatApp::PieceLookup CConcatApp::OpenPiece(int index, const std::string& target, platform::File& piece,
                                              std::string& path)
{
    const std::string candidates[] = {PieceFileName(m_strDir, m_strName, index),
                                      PieceFileName(m_strDir, m_strStoredName, index)};
    const bool otherSpelling = !m_strStoredName.empty() && m_strStoredName != m_strName;
    const std::size_t spellings = platform::FileNamesAreBytes() && otherSpelling ? 2 : 1;
    path = candidates[0];
    for (std::size_t i = 0; i < spellings; ++i) {
        if (RefuseIfPiece(candidates[i], target))
            return PieceLookup::Refused;
        if (piece.Open(candidates[i], platform::File::Mode::Read)) {
            path = candidates[i];
            return PieceLookup::Opened;
        }
    }
    return PieceLookup::Missing;
}

// One join in progress: the file growing under its temporary name, two more
// handles reading it back, and the sums to check against.
struct CConcatApp::Join {
    std::string target;
    platform::File out;
    std::string tempPath;
    std::shared_ptr<platform::File> reader;  // from the cache, for the pieces' sums
    std::shared_ptr<platform::File> checker; // from the medium, for the whole
    std::vector<std::optional<std::uint32_t>> listed;
    std::optional<CChecksumTrailer> trailer; // the pieces' sums, while their bytes are cached
    // Each chunk flushed alone and read back from the medium while the next
    // ones are written: at the end only the flush of the whole file is left.
    std::optional<CChecksumTrailer> medium;
    std::int64_t written = 0;
    std::int64_t firstLength = 0; // of piece 1, once appended
    bool repairTried = false;     // the recovery files are read once per join
    platform::Error error;        // why writing failed, when it did
};

bool CConcatApp::JoinPieces()
{
    Join join;
    join.target = TargetPath();
    if (!MayWriteTarget(join.target) || !CreateGrowingFile(join))
        return false;
    // Given up at the search prompt by closing the terminal, Ctrl+C or a log-off.
    platform::RemovedOnInterrupt removedOnInterrupt(join.tempPath);

    struct Progress {
        IConcatFrontEnd& ui;
        ~Progress() { ui.DestroyProgress(); }
    } progress{m_ui};
    m_ui.CreateProgress(Tr(JoinerText::PleaseWait));
    m_ui.ShowProgress(true);

    // The checksum list beside the configuration file names a damaged piece
    // as soon as it is appended; the whole file is checked once it is on the
    // medium.
    bool hasList = false;
    join.listed = ListedChecksums(hasList);
    if (std::any_of(join.listed.begin(), join.listed.end(), [](const auto& crc) { return crc.has_value(); }))
        join.trailer.emplace(CChecksumTrailer::Source::Cache);
    join.medium.emplace();

    bool proceed = true;
    for (int i = 1; i <= m_nCount && proceed; ++i) {
        m_ui.SetProgressTip(StrFormat(Tr(JoinerText::JoinFileOf), i, m_nCount));
        proceed = AppendPiece(join, i);
    }
    if (!join.out.Close() && proceed) {
        proceed = false;
        join.error = join.out.LastError();
    }
    m_ui.ShowProgress(false);
    return FinishJoin(join, proceed);
}

bool CConcatApp::MayWriteTarget(const std::string& target)
{
    // A source named like a piece ("x.001") would rebuild onto its own piece.
    if (std::optional<int> k = PieceNumberOfExtension(m_strExt);
        k && *k >= 1 && *k <= m_nCount && RefuseIfPiece(PieceFileName(m_strDir, m_strName, *k), target))
        return false;
    // An existing target that we may not write stays untouched.
    platform::File existing;
    if (platform::Exists(target) && !existing.Open(target, platform::File::Mode::WriteExisting)) {
        Report(JoinerText::TargetNotWritable, target, existing.LastError());
        return false;
    }
    return true;
}

bool CConcatApp::CreateGrowingFile(Join& join)
{
    // The file takes the target's name only when it is complete, so a
    // failed join leaves an older file as it was.
    if (CreateTemporary(GetModuleDir(), join.out, join.tempPath) && (join.reader = join.out.Duplicate()))
        join.checker = join.out.Duplicate();
    if (join.checker) {
        // Renamed once the readers are open: some systems reopen by name.
        NameAsOurs(GetModuleDir(), join.out, join.tempPath);
        return true;
    }
    const platform::Error error = join.out.LastError();
    if (join.out.IsOpen()) {
        join.out.Close();
        platform::RemoveFile(join.tempPath);
    }
    Report(JoinerText::TargetNotWritable, join.target, error);
    return false;
}

bool CConcatApp::AppendPiece(Join& join, int index)
{
    for (;;) {
        {
            platform::File piece;
            std::string path;
            const PieceLookup found = OpenPiece(index, join.target, piece, path);
            if (found == PieceLookup::Refused)
                return false;
            if (found == PieceLookup::Opened) {
                const Appended appended = CopyPiece(join, index, piece, path);
                if (appended != Appended::Damaged)
                    return appended == Appended::Ok;
            }
        } // closed: a damaged piece is renamed by the repair
        // The first broken piece has the recovery files rebuild every broken
        // one; the pieces are then looked for where they were rebuilt.
        if (!join.repairTried) {
            join.repairTried = true;
            if (RebuildFromRecovery()) {
                m_strDir = SetDir();
                continue;
            }
        }
        if (!m_ui.AskForDirectory(m_strDir, m_strName + StrFormat(".%.3d", index)))
            return false;
    }
}

std::string CConcatApp::SetDir() const { return SplitPath(m_strConfigPath).directory; }

std::uint32_t CConcatApp::Recovery::LostSlices() const
{
    std::uint32_t lost = 0;
    for (std::size_t i = 0; i < paths.size(); ++i)
        lost += static_cast<std::uint32_t>(set.Check(static_cast<int>(i), paths[i]).badSlices.size());
    return lost;
}

CConcatApp::Recovery CConcatApp::LoadRecovery() const
{
    // Only the configuration's piece names are matched: a name in the PAR2
    // files is never a path of its own.
    Recovery recovery;
    const std::string dir = SetDir();
    std::vector<std::string> names;
    for (int i = 1; i <= m_nCount; ++i) {
        std::string path = PieceFileName(dir, m_strName, i);
        names.push_back(SplitPath(path).fileName);
        recovery.paths.push_back(platform::Exists(path) ? path : std::string());
    }
    recovery.status = recovery.set.Load(dir, names);
    return recovery;
}

bool CConcatApp::RebuildFromRecovery()
{
    using Load = par2::CRecoverySet::LoadStatus;
    using Status = par2::CRecoverySet::RepairReport::Status;
    Recovery recovery = LoadRecovery();
    if (recovery.status == Load::NoPackets || recovery.status == Load::NoSet)
        return false; // no recovery files for this set: the search as before
    const std::string dir = SetDir();
    par2::CRecoverySet::RepairReport report;
    if (recovery.status == Load::Ok)
        report = recovery.set.Repair(recovery.paths, dir);
    else
        report.status = Status::ReadFailed;
    // One text per outcome, so that the joiner carries one call for them all.
    // A text without a directive leaves the detail out.
    JoinerText text = JoinerText::RebuildFailed;
    std::string detail = report.failedPath;
    platform::Error error = report.error;
    if (recovery.status == Load::Inconsistent) {
        text = JoinerText::RecoveryInconsistent;
        detail = m_strConfigPath;
    } else if (recovery.status == Load::ReadFailed || report.status == Status::ReadFailed) {
        text = JoinerText::CannotRead;
        if (recovery.status == Load::ReadFailed) {
            detail = recovery.set.FailedPath();
            error = recovery.set.LoadError();
        }
    } else if (report.status == Status::NotEnough) {
        text = JoinerText::RecoveryNotEnough;
        detail = StrFormat("%u", static_cast<unsigned>(report.missingSlices));
    } else if (report.status == Status::Unsolvable) {
        text = JoinerText::RecoveryUnsolvable;
    } else if (report.status == Status::NoMemory) {
        text = JoinerText::NoMemory;
    }
    if (report.status != Status::Ok)
        return Report(text, detail, error);
    bool rebuilt = false;
    for (std::size_t i = 0; i < report.pieces.size(); ++i) {
        if (report.pieces[i].kind != par2::CRecoverySet::PieceOutcome::Kind::Rebuilt)
            continue;
        rebuilt = true;
        m_ui.ShowMessage(StrFormat(Tr(JoinerText::Rebuilt),
                                   PieceFileName(dir, m_strName, static_cast<int>(i) + 1).c_str()),
                         Tr(JoinerText::RebuiltCaption));
    }
    return rebuilt;
}

std::optional<CConcatApp::SetRepair> CConcatApp::RepairSet()
{
    if (!LoadAcceptedRecord())
        return std::nullopt;
    SetRepair repair;
    repair.recovery = LoadRecovery();
    if (repair.recovery.status == par2::CRecoverySet::LoadStatus::Ok)
        repair.report = repair.recovery.set.Repair(repair.recovery.paths, SetDir());
    return repair;
}

CConcatApp::Appended CConcatApp::CopyPiece(Join& join, int index, platform::File& piece,
                                           const std::string& path)
{
    using platform::CopyResult;
    const std::int64_t length = piece.Length();
    if (length < 0) {
        Report(JoinerText::LengthUnknown, path, piece.LastError());
        return Appended::Failed;
    }
    const std::int64_t start = join.written;
    std::optional<ReadBack> cached;
    if (join.trailer)
        cached.emplace(ReadBack{*join.trailer, join.reader, join.tempPath, start, index - 1});
    // One sum for the whole, so that the ranges of small pieces join up.
    ReadBack medium{*join.medium, join.checker, join.tempPath, start};
    medium.flush = CChecksumTrailer::Flush::Continued;
    medium.next = cached ? &*cached : nullptr;
    CProgressRelay<IConcatFrontEnd> bytes(m_ui, start, m_nTotalSize, SplitPath(path).fileName);
    const CopyResult copied = CopyChunked(piece, join.out, length, &medium, nullptr, &bytes);
    join.written += copied.bytes;
    switch (copied.status) {
    case CopyResult::Status::NoMemory:
        m_ui.ReportError(Tr(JoinerText::NoMemory));
        return Appended::Failed;
    case CopyResult::Status::ReadFailed:
        Report(JoinerText::CannotRead, path, copied.error);
        return Appended::Failed;
    case CopyResult::Status::WriteFailed:
        join.error = copied.error;
        return Appended::Failed; // reported with the target
    case CopyResult::Status::Ok:
        break;
    }
    if (IsEmptyPiece(copied.bytes)) {
        Report(JoinerText::PieceEmpty, path);
        return Appended::Failed;
    }
    if (index == 1)
        join.firstLength = copied.bytes;

    // A damaged piece comes back out; unreadable read-back is left to the
    // whole-file check. So does a piece that cannot be where the record's
    // size says it ends, the one sign left where no sum is known.
    const std::optional<std::uint32_t> expected = ListedSum(join.listed, index);
    const std::optional<std::uint32_t> crc = expected ? join.trailer->WaitForPiece(index - 1) : std::nullopt;
    const bool damaged = crc && *crc != *expected;
    if (!damaged && !BreaksRecordedSize(join, index, start))
        return Appended::Ok;
    if (join.trailer) {
        if (!expected)
            join.trailer->WaitForPiece(index - 1);
        join.trailer->ForgetPiece(index - 1);
    }
    // The sum of the whole starts afresh from the pieces before it, once their
    // reads are done: a failed one stays, and fails the join.
    if (join.medium->WaitForPiece(0)) {
        join.medium.emplace();
        join.medium->Add(join.checker, join.tempPath, 0, WholeBlocks(start), 0,
                         CChecksumTrailer::Flush::Continued);
    }
    join.written = start;
    if (!join.out.Truncate(start)) {
        join.error = join.out.LastError();
        return Appended::Failed;
    }
    Report(JoinerText::PieceDamaged, path);
    return Appended::Damaged;
}

bool CConcatApp::BreaksRecordedSize(const Join& join, int index, std::int64_t start) const
{
    // Blamed only when the pieces before it are as long as the first, as a
    // splitter cuts them; otherwise the whole is refused at the end.
    if (start != std::int64_t{index - 1} * join.firstLength)
        return false;
    // Every piece after it needs a byte at least.
    if (index < m_nCount)
        return join.written > m_nTotalSize - (m_nCount - index);
    return join.written != m_nTotalSize;
}

bool CConcatApp::FinishJoin(Join& join, bool proceed)
{
    // A record of another writer may carry no sum: its size is the check left.
    if (proceed && join.written != m_nTotalSize) {
        proceed = false;
        Report(JoinerText::JoinedSizeWrong, join.target);
    }
    // The pieces' sums, combined: what the whole must be where the record
    // carries no sum of its own (a record of another writer).
    std::optional<std::uint32_t> expected;
    if (m_bHasChecksum)
        expected = m_nChecksum;
    if (join.trailer) {
        const CChecksumTrailer::Result pieces = join.trailer->Finish();
        join.trailer.reset();
        if (pieces.ok && !expected)
            expected = pieces.crc;
    }
    if (proceed)
        proceed = FlushAndCheck(join, expected);
    join.medium.reset(); // a failed join's reads are not waited for
    // Some systems refuse to rename a file that is still open.
    join.reader.reset();
    join.checker.reset();
    if (proceed) {
        const platform::Outcome renamed = platform::RenameReplacing(join.tempPath, join.target);
        if (renamed) {
            // The new name on the medium too, before the join reports its end.
            const platform::Outcome entry = platform::FlushDirectory(GetModuleDir());
            if (entry)
                return true;
            join.error = entry.error;
            return Report(JoinerText::TargetNotCreated, join.target, join.error);
        }
        join.error = renamed.error;
    }
    platform::RemoveFile(join.tempPath);
    return Report(JoinerText::TargetNotCreated, join.target, join.error);
}

bool CConcatApp::FlushAndCheck(Join& join, std::optional<std::uint32_t> expected)
{
    // Read back from the medium as it was written, so that one that does not
    // keep what it was given fails the join; then flushed whole.
    if constexpr (platform::File::kFlushesRanges) { // the last partial block, which the copies held back
        const std::int64_t whole = WholeBlocks(join.written);
        join.medium->Add(join.checker, join.tempPath, whole, join.written - whole, 0,
                         CChecksumTrailer::Flush::Continued);
    }
    join.medium->Seal(join.checker, join.tempPath, 0);
    const CChecksumTrailer::Result sum = join.medium->Finish();
    if (sum.flushFailed) {
        join.error = sum.error;
        return false;
    }
    // Nothing to check against: the file only had to reach the medium.
    if (!expected || (sum.ok && sum.crc == *expected))
        return true;
    return Report(JoinerText::JoinedSumWrong, join.target);
}

std::optional<CConcatApp::SetCheck> CConcatApp::CheckPieces()
{
    if (!LoadAcceptedRecord())
        return std::nullopt;
    SetCheck check;
    const std::vector<std::optional<std::uint32_t>> listed = ListedChecksums(check.hasList);
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCheckBuffer]);
    if (!buffer) {
        m_ui.ReportError(Tr(JoinerText::NoMemory));
        return std::nullopt;
    }
    std::uint32_t whole = 0;
    bool allPresent = true;
    std::int64_t done = 0;
    for (int i = 1; i <= m_nCount; ++i) {
        PieceCheck piece;
        platform::File file;
        // No target here: nothing a piece could be refused for.
        if (OpenPiece(i, "", file, piece.path) != PieceLookup::Opened) {
            piece.state = PieceState::Missing;
            allPresent = false;
            check.pieces.push_back(piece);
            continue;
        }
        std::uint32_t crc = 0;
        std::int64_t bytes = 0;
        std::int64_t got;
        const std::string name = SplitPath(piece.path).fileName;
        while ((got = file.Read(buffer.get(), kCheckBuffer)) > 0) {
            crc = Crc32Update(crc, buffer.get(), static_cast<std::size_t>(got));
            bytes += got;
            done += got;
            m_ui.ProgressBytes(done, m_nTotalSize, name);
        }
        check.totalSize += bytes;
        piece.size = bytes;
        const std::optional<std::uint32_t> expected = ListedSum(listed, i);
        if (got < 0)
            piece.state = PieceState::Unreadable;
        else if (IsEmptyPiece(bytes))
            piece.state = PieceState::Empty;
        else if (!expected)
            piece.state = PieceState::Unlisted;
        else
            piece.state = crc == *expected ? PieceState::Intact : PieceState::Damaged;
        allPresent = allPresent && got == 0;
        whole = Crc32Combine(whole, crc, static_cast<std::uint64_t>(bytes));
        check.pieces.push_back(piece);
    }
    if (allPresent && m_bHasChecksum)
        check.wholeMatches = whole == m_nChecksum;
    return check;
}

} // namespace portelan
