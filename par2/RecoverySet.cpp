#include "par2/RecoverySet.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "common/Crc32.h"
#include "par2/Gf16.h"
#include "par2/Layout.h"
#include "par2/ReedSolomon.h"
#include "platform/Platform.h"

namespace portelan::par2 {

namespace {

constexpr std::size_t kReadBlock = 1 << 20;
// Solving for n lost slices takes n^3 steps and 3 n^2 words: beyond this,
// more than a minute and some 25 MB, which no set of pieces needs.
constexpr std::size_t kMaxSolvable = 2048;

// A small decimal number, without the library's general conversion.
std::string Number(int n)
{
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>('0' + n % 10));
        n /= 10;
    } while (n);
    return text;
}

bool EndsWithPar2(const std::string& name)
{
    if (name.size() < 5)
        return false;
    std::string tail = name.substr(name.size() - 5);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return tail == ".par2";
}

// Reads up to n bytes at offset, as many as the file has; -1 on an error.
std::int64_t ReadUpTo(platform::File& file, unsigned char* buffer, std::size_t n, std::int64_t offset)
{
    std::size_t got = 0;
    while (got < n) {
        const std::int64_t r = file.ReadAt(buffer + got, n - got, offset + static_cast<std::int64_t>(got));
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<std::int64_t>(got);
}

// Every packet read but Creator ones, recovery slices included: one vector
// of one type, less code in the joiners.
struct Kept {
    Packet packet;
    Id key{}; // the file ID of FileDesc and IFSC packets
    int source = 0;
};

bool KeptLess(const Kept& a, const Kept& b)
{
    if (a.packet.setId != b.packet.setId)
        return a.packet.setId < b.packet.setId;
    if (a.packet.type != b.packet.type)
        return a.packet.type < b.packet.type;
    return a.key < b.key;
}

bool KeptSame(const Kept& a, const Kept& b) { return !KeptLess(a, b) && !KeptLess(b, a); }

// The packets ordered by set, type and key, each once. A heap sort over
// pointers: as fast in the worst case, and little code in the joiners.
std::vector<const Kept*> SortedOnce(const std::vector<Kept>& packets)
{
    const std::size_t n = packets.size();
    std::vector<const Kept*> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = &packets[i];
    auto sift = [&](std::size_t root, std::size_t end) {
        for (std::size_t child; (child = 2 * root + 1) < end; root = child) {
            if (child + 1 < end && KeptLess(*order[child], *order[child + 1]))
                ++child;
            if (!KeptLess(*order[root], *order[child]))
                return;
            std::swap(order[root], order[child]);
        }
    };
    for (std::size_t i = n / 2; i-- > 0;)
        sift(i, n);
    for (std::size_t end = n; end > 1; --end) {
        std::swap(order[0], order[end - 1]);
        sift(0, end - 1);
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (kept == 0 || KeptLess(*order[kept - 1], *order[i]))
            order[kept++] = order[i];
    order.resize(kept);
    return order;
}

// The first packet not ordered before (set, type, key).
std::size_t LowerBound(const std::vector<const Kept*>& sorted, const Id& set, PacketType type, const Id& key)
{
    Kept probe;
    probe.packet.setId = set;
    probe.packet.type = type;
    probe.key = key;
    std::size_t low = 0;
    for (std::size_t high = sorted.size(); low < high;) {
        const std::size_t mid = low + (high - low) / 2;
        if (KeptLess(*sorted[mid], probe))
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

const Kept* Find(const std::vector<const Kept*>& sorted, const Id& set, PacketType type, const Id& key)
{
    const std::size_t at = LowerBound(sorted, set, type, key);
    if (at == sorted.size() || sorted[at]->packet.setId != set || sorted[at]->packet.type != type ||
        sorted[at]->key != key)
        return nullptr;
    return sorted[at];
}

std::string DescName(const std::string& body)
{
    std::string name = body.substr(56);
    while (!name.empty() && name.back() == '\0')
        name.pop_back();
    return name;
}

int PieceOf(const std::vector<std::string>& pieceNames, const std::string& name)
{
    for (std::size_t j = 0; j < pieceNames.size(); ++j)
        if (pieceNames[j] == name)
            return static_cast<int>(j);
    return -1;
}

} // namespace

[[gnu::noinline]] CRecoverySet::LoadStatus CRecoverySet::Load(const std::string& dir,
                                                              const std::vector<std::string>& pieceNames)
{
    std::vector<std::string> paths;
    for (const std::string& name : platform::ListDirectory(dir))
        if (EndsWithPar2(name) && !platform::IsDirectory(PathIn(dir, name)))
            paths.push_back(PathIn(dir, name));
    std::vector<FileSource> files(paths.size());
    // Sized once and cut to the readable ones: one growth path less in the joiners.
    std::vector<Source> sources(paths.size());
    std::size_t readable = 0;
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (files[i].Open(paths[i])) // an unreadable one as if it were not there
            sources[readable++] = {std::move(paths[i]), &files[i]};
    while (sources.size() > readable)
        sources.pop_back();
    return LoadSources(sources, pieceNames);
}

[[gnu::noinline]] CRecoverySet::LoadStatus
CRecoverySet::LoadSources(const std::vector<Source>& sources, const std::vector<std::string>& pieceNames)
{
    gf16::Init();
    m_files.clear();
    m_recovery.clear();
    m_sourcePaths.assign(sources.size(), std::string());
    m_failedPath.clear();
    m_loadError = {};
    m_sliceSize = 0;
    m_inputSlices = 0;
    std::vector<Kept> kept;
    std::size_t lastSmall = 0; // one past the last packet kept that is no recovery slice
    bool any = false;
    std::int64_t largest = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        m_sourcePaths[i] = sources[i].path;
        largest = std::max(largest, sources[i].bytes->Length());
        const bool read = ScanPackets(*sources[i].bytes, [&](Packet&& packet) {
            any = true;
            if (packet.type == PacketType::Creator)
                return;
            Kept entry;
            entry.source = static_cast<int>(i);
            if (packet.type == PacketType::Main) {
                // The set ID is the Main body's MD5: a Main packet that
                // does not make its own ID belongs to no set.
                if (Md5::Of(packet.body.data(), packet.body.size()) != packet.setId)
                    return;
            } else if (packet.type != PacketType::RecvSlic) {
                std::memcpy(entry.key.data(), packet.body.data(), 16);
            }
            entry.packet = std::move(packet);
            if (entry.packet.type != PacketType::RecvSlic) {
                if (lastSmall && KeptSame(kept[lastSmall - 1], entry))
                    return; // the copy that every volume carries
                lastSmall = kept.size() + 1;
            }
            kept.push_back(std::move(entry));
        });
        if (!read) {
            m_failedPath = sources[i].path;
            m_loadError = sources[i].bytes->LastError();
            return LoadStatus::ReadFailed;
        }
    }
    if (!any)
        return LoadStatus::NoPackets;
    const std::vector<const Kept*> sorted = SortedOnce(kept);

    // The set whose descriptions name most of our pieces, among those with a Main packet.
    const Kept* main = nullptr;
    std::size_t bestMatches = 0;
    for (const Kept* packet : sorted) {
        if (packet->packet.type != PacketType::Main)
            continue;
        std::size_t matches = 0;
        const Id& set = packet->packet.setId;
        for (std::size_t at = LowerBound(sorted, set, PacketType::FileDesc, {});
             at < sorted.size() && sorted[at]->packet.setId == set &&
             sorted[at]->packet.type == PacketType::FileDesc;
             ++at)
            if (PieceOf(pieceNames, DescName(sorted[at]->packet.body)) >= 0)
                ++matches;
        if (matches > bestMatches) {
            bestMatches = matches;
            main = packet;
        }
    }
    if (!main)
        return LoadStatus::NoSet;

    const Id& set = main->packet.setId;
    const std::string& mainBody = main->packet.body;
    const unsigned char* body = reinterpret_cast<const unsigned char*>(mainBody.data());
    const std::uint64_t sliceSize = Get64(body);
    const std::uint32_t fileCount = Get32(body + 8);
    // A slice no file here could hold a recovery copy of is refused: the
    // checks hash a short slice padded to the full size, which would cost
    // time out of all proportion to the bytes at hand.
    if (sliceSize == 0 || sliceSize % 4 || sliceSize > static_cast<std::uint64_t>(largest) ||
        fileCount == 0 || fileCount > kMaxInputSlices || (mainBody.size() - 12) / 16 < fileCount)
        return LoadStatus::Inconsistent;
    m_sliceSize = static_cast<std::int64_t>(sliceSize);
    m_pieceFile.assign(pieceNames.size(), -1);
    // As many entries as the Main packet has room for, filled in place.
    m_files.resize(fileCount);
    std::uint64_t slices = 0;
    for (std::uint32_t f = 0; f < fileCount; ++f) {
        FileInfo& file = m_files[f];
        std::memcpy(file.id.data(), body + 12 + 16 * f, 16);
        const Kept* desc = Find(sorted, set, PacketType::FileDesc, file.id);
        const Kept* ifsc = Find(sorted, set, PacketType::Ifsc, file.id);
        if (!desc || !ifsc)
            return LoadStatus::Inconsistent;
        const unsigned char* d = reinterpret_cast<const unsigned char*>(desc->packet.body.data());
        std::memcpy(file.md5.data(), d + 16, 16);
        file.length = Get64(d + 48);
        file.name = DescName(desc->packet.body);
        const std::uint64_t count = file.length / sliceSize + (file.length % sliceSize ? 1 : 0);
        if (count > kMaxInputSlices || slices + count > kMaxInputSlices ||
            ifsc->packet.body.size() != 16 + 20 * count)
            return LoadStatus::Inconsistent;
        file.firstSlice = static_cast<std::uint32_t>(slices);
        slices += count;
        const unsigned char* entry = reinterpret_cast<const unsigned char*>(ifsc->packet.body.data()) + 16;
        file.sums.resize(count);
        for (SliceSum& sum : file.sums) {
            std::memcpy(sum.md5.data(), entry, 16);
            sum.crc = Get32(entry + 16);
            entry += 20;
        }
        file.piece = PieceOf(pieceNames, file.name);
        if (file.piece >= 0 && m_pieceFile[file.piece] < 0)
            m_pieceFile[file.piece] = static_cast<int>(f);
        else
            file.piece = -1;
    }
    m_inputSlices = static_cast<std::uint32_t>(slices);

    // Exponents that differ by the field's order give the same slice.
    std::vector<char> seen(65535, 0);
    for (const Kept& entry : kept) {
        const Packet& recv = entry.packet;
        if (recv.type == PacketType::RecvSlic && recv.setId == set &&
            recv.length == kRecvSlicHead + sliceSize && !seen[recv.exponent % 65535]) {
            seen[recv.exponent % 65535] = 1;
            m_recovery.push_back(
                {recv.exponent, entry.source, recv.offset + static_cast<std::int64_t>(kRecvSlicHead)});
        }
    }
    return LoadStatus::Ok;
}

bool CRecoverySet::Describes(int piece) const
{
    return piece >= 0 && static_cast<std::size_t>(piece) < m_pieceFile.size() && m_pieceFile[piece] >= 0;
}

std::int64_t CRecoverySet::PieceLength(int piece) const
{
    return Describes(piece) ? static_cast<std::int64_t>(m_files[m_pieceFile[piece]].length) : -1;
}

PieceCheck CRecoverySet::Check(int piece, const std::string& path) const
{
    if (!Describes(piece))
        return {};
    bool md5Ok = false;
    return CheckFile(m_files[m_pieceFile[piece]], path, false, md5Ok);
}

[[gnu::noinline]] PieceCheck CRecoverySet::CheckFile(const FileInfo& file, const std::string& path,
                                                     bool wholeMd5, bool& md5Ok) const
{
    PieceCheck check;
    md5Ok = false;
    platform::File in;
    const std::uint32_t count = static_cast<std::uint32_t>(file.sums.size());
    if (path.empty() || !in.Open(path, platform::File::Mode::Read)) {
        check.state = PieceState::Missing;
        for (std::uint32_t s = 0; s < count; ++s)
            check.badSlices.push_back(s);
        return check;
    }
    const std::int64_t length = in.Length();
    std::vector<unsigned char> buffer(kReadBlock);
    Md5 whole;
    bool readable = length >= 0;
    for (std::uint32_t s = 0; s < count; ++s) {
        const std::int64_t start = static_cast<std::int64_t>(s) * m_sliceSize;
        const std::int64_t described =
            std::min<std::int64_t>(m_sliceSize, static_cast<std::int64_t>(file.length) - start);
        Md5 md5;
        std::uint32_t crc = 0;
        std::int64_t done = 0;
        while (readable && done < described) {
            const std::size_t want =
                static_cast<std::size_t>(std::min<std::int64_t>(kReadBlock, described - done));
            const std::int64_t got = ReadUpTo(in, buffer.data(), want, start + done);
            if (got < 0)
                readable = false;
            if (got <= 0)
                break;
            md5.Update(buffer.data(), static_cast<std::size_t>(got));
            crc = Crc32Update(crc, buffer.data(), static_cast<std::size_t>(got));
            if (wholeMd5)
                whole.Update(buffer.data(), static_cast<std::size_t>(got));
            done += got;
        }
        if (done < described) { // the file ends early: nothing to hash
            check.badSlices.push_back(s);
            continue;
        }
        // A file's short last slice is summed zero-padded, as the sums were made.
        std::fill(buffer.begin(), buffer.end(), 0);
        for (std::int64_t pad = m_sliceSize - done; pad > 0;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(pad, kReadBlock));
            md5.Update(buffer.data(), n);
            crc = Crc32Update(crc, buffer.data(), n);
            pad -= static_cast<std::int64_t>(n);
        }
        if (!readable || md5.Final() != file.sums[s].md5 || crc != file.sums[s].crc)
            check.badSlices.push_back(s);
    }
    if (length != static_cast<std::int64_t>(file.length))
        check.state = PieceState::WrongLength;
    else
        check.state = check.badSlices.empty() ? PieceState::Intact : PieceState::Damaged;
    md5Ok = wholeMd5 && check.state == PieceState::Intact && whole.Final() == file.md5;
    return check;
}

[[gnu::noinline]] CRecoverySet::RepairReport CRecoverySet::Repair(const std::vector<std::string>& piecePaths,
                                                                  const std::string& outDir,
                                                                  const std::vector<int>& rebuild) const
{
    using Status = RepairReport::Status;
    using Kind = PieceOutcome::Kind;
    RepairReport report;
    report.pieces.resize(m_pieceFile.size());
    // Per file of the set, in one vector of one type (less code in the
    // joiners): where it is read from, what of it is lost, and the
    // temporary file it is rebuilt in when it is chosen.
    struct Work {
        std::string readPath;
        PieceCheck check;
        bool chosen = false;
        platform::File temp;
        std::string tempPath;
    };
    std::vector<Work> work(m_files.size());
    std::vector<std::uint32_t> lostSlices; // global numbers, over the whole set
    bool anyChosen = false;
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        const FileInfo& file = m_files[f];
        Work& w = work[f];
        if (file.piece >= 0 && static_cast<std::size_t>(file.piece) < piecePaths.size())
            w.readPath = piecePaths[file.piece];
        bool md5Ok = false;
        w.check = CheckFile(file, w.readPath, false, md5Ok);
        for (std::uint32_t s : w.check.badSlices)
            lostSlices.push_back(static_cast<std::uint32_t>(file.firstSlice + s));
        if (file.piece < 0)
            continue;
        PieceOutcome& outcome = report.pieces[file.piece];
        outcome.before = w.check.state;
        if (w.check.state == PieceState::Intact)
            outcome.kind = Kind::Intact;
        else if (rebuild.empty() || std::find(rebuild.begin(), rebuild.end(), file.piece) != rebuild.end())
            w.chosen = anyChosen = true;
        else
            outcome.kind = Kind::NotRebuilt;
    }
    if (!anyChosen)
        return report;
    const std::size_t lost = lostSlices.size();
    const std::vector<gf16::Word> constants = InputConstants(m_inputSlices);
    Solution solution;
    if (lost > m_recovery.size()) {
        report.status = Status::NotEnough;
        report.missingSlices = static_cast<std::uint32_t>(lost - m_recovery.size());
    } else if (lost > kMaxSolvable) {
        report.status = Status::Unsolvable;
    } else if (lost) {
        std::vector<gf16::Word> lostConstants(lost);
        for (std::size_t j = 0; j < lost; ++j)
            lostConstants[j] = constants[lostSlices[j]];
        std::vector<std::uint32_t> exponents(m_recovery.size());
        for (std::size_t r = 0; r < exponents.size(); ++r)
            exponents[r] = m_recovery[r].exponent;
        if (!Solve(lostConstants, exponents, solution))
            report.status = Status::Unsolvable;
    }
    if (report.status != Status::Ok) {
        for (std::size_t f = 0; f < m_files.size(); ++f)
            if (work[f].chosen)
                report.pieces[m_files[f].piece].kind = Kind::NotRebuilt;
        return report;
    }
    auto used = [&](std::size_t r) -> const RecoverySlice& { return m_recovery[solution.rows[r]]; };

    // Stripes of a few MiB per lost slice, so that memory stays bounded
    // however large the slices are.
    std::int64_t stripe =
        std::clamp<std::int64_t>((std::int64_t(64) << 20) / static_cast<std::int64_t>(lost + 2),
                                 std::int64_t(64) << 10, std::int64_t(4) << 20);
    stripe = std::min(stripe, m_sliceSize) & ~std::int64_t(3);
    const std::size_t width = static_cast<std::size_t>(stripe);
    // A stripe of each chosen recovery slice, one of input and one of output.
    std::unique_ptr<unsigned char[]> buffers(new (std::nothrow) unsigned char[(lost + 2) * width]);
    if (!buffers) {
        report.status = Status::NoMemory;
        return report;
    }
    auto sum = [&](std::size_t r) { return buffers.get() + r * width; };
    unsigned char* const in = sum(lost);
    unsigned char* const out = sum(lost + 1);

    // The rebuilt pieces, under temporary names beside their final ones.
    auto dropTemps = [&] {
        for (Work& w : work)
            if (!w.tempPath.empty()) {
                w.temp.Close();
                platform::RemoveFile(w.tempPath);
            }
    };
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        Work& w = work[f];
        if (!w.chosen)
            continue;
        const std::string base = PathIn(outDir, m_files[f].name) + ".neu";
        for (int n = 1; n <= 100 && !w.temp.IsOpen(); ++n) {
            const std::string path = n == 1 ? base : base + Number(n);
            if (w.temp.Open(path, platform::File::Mode::CreateNew))
                w.tempPath = path;
        }
        if (!w.temp.IsOpen()) {
            report.error = w.temp.LastError();
            dropTemps();
            report.status = Status::WriteFailed;
            report.failedPath = base;
            return report;
        }
    }
    // One failure leaves nothing behind: the temporary files go.
    struct Failure {
        Status status = Status::Ok;
        const std::string* path = nullptr;
        platform::Error error;
    };
    auto fail = [&](const Failure& failure) {
        dropTemps();
        report.status = failure.status;
        report.failedPath = *failure.path;
        report.error = failure.error;
    };

    auto code = [&]() -> Failure {
        std::vector<char> isLost(m_inputSlices, 0);
        for (std::uint32_t i : lostSlices)
            isLost[i] = 1;
        for (std::int64_t offset = 0; offset < m_sliceSize; offset += stripe) {
            const std::size_t w =
                static_cast<std::size_t>(std::min<std::int64_t>(stripe, m_sliceSize - offset));
            // Each chosen recovery slice, less what the present slices put in.
            for (std::size_t r = 0; r < lost; ++r) {
                const std::string& path = m_sourcePaths[used(r).source];
                platform::File source;
                if (!source.Open(path, platform::File::Mode::Read) ||
                    ReadUpTo(source, sum(r), w, used(r).offset + offset) != static_cast<std::int64_t>(w))
                    return {Status::ReadFailed, &path, source.LastError()};
            }
            for (std::size_t f = 0; f < m_files.size(); ++f) {
                const FileInfo& file = m_files[f];
                platform::File piece;
                for (std::uint32_t s = 0; s < file.sums.size(); ++s) {
                    const std::uint32_t i = file.firstSlice + s;
                    const std::int64_t at = static_cast<std::int64_t>(s) * m_sliceSize + offset;
                    const std::int64_t available = std::clamp<std::int64_t>(
                        static_cast<std::int64_t>(file.length) - at, 0, static_cast<std::int64_t>(w));
                    if (isLost[i] || available == 0)
                        continue;
                    if (!piece.IsOpen() && !piece.Open(work[f].readPath, platform::File::Mode::Read))
                        return {Status::ReadFailed, &work[f].readPath, piece.LastError()};
                    const std::int64_t got = ReadUpTo(piece, in, static_cast<std::size_t>(available), at);
                    if (got < 0)
                        return {Status::ReadFailed, &work[f].readPath, piece.LastError()};
                    std::memset(in + got, 0, w - static_cast<std::size_t>(got));
                    for (std::size_t r = 0; r < lost; ++r)
                        gf16::MulAdd(sum(r), in, gf16::Pow(constants[i], used(r).exponent), w);
                    if (work[f].chosen && !work[f].temp.WriteAt(in, static_cast<std::size_t>(available), at))
                        return {Status::WriteFailed, &work[f].tempPath, work[f].temp.LastError()};
                }
            }
            for (std::size_t j = 0; j < lost; ++j) {
                const std::uint32_t i = lostSlices[j];
                std::size_t f = 0;
                while (!(m_files[f].firstSlice <= i && i < m_files[f].firstSlice + m_files[f].sums.size()))
                    ++f;
                if (!work[f].chosen)
                    continue;
                const std::int64_t at =
                    static_cast<std::int64_t>(i - m_files[f].firstSlice) * m_sliceSize + offset;
                const std::int64_t available = std::clamp<std::int64_t>(
                    static_cast<std::int64_t>(m_files[f].length) - at, 0, static_cast<std::int64_t>(w));
                if (available == 0)
                    continue;
                std::memset(out, 0, w);
                for (std::size_t r = 0; r < lost; ++r)
                    gf16::MulAdd(out, sum(r), solution.inverse[j * lost + r], w);
                if (!work[f].temp.WriteAt(out, static_cast<std::size_t>(available), at))
                    return {Status::WriteFailed, &work[f].tempPath, work[f].temp.LastError()};
            }
        }

        for (std::size_t f = 0; f < m_files.size(); ++f) {
            Work& w = work[f];
            if (!w.chosen)
                continue;
            bool md5Ok = false;
            if (!w.temp.Close())
                return {Status::WriteFailed, &w.tempPath, w.temp.LastError()};
            if (CheckFile(m_files[f], w.tempPath, true, md5Ok).state != PieceState::Intact || !md5Ok)
                return {Status::CheckFailed, &w.tempPath, {}};
        }
        return {};
    };
    if (const Failure failure = code(); failure.status != Status::Ok) {
        fail(failure);
        return report;
    }
    // Every rebuilt piece is sound: now they take their names.
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        if (!work[f].chosen)
            continue;
        const std::string target = PathIn(outDir, m_files[f].name);
        PieceOutcome& outcome = report.pieces[m_files[f].piece];
        if (platform::Exists(target)) {
            std::string kept;
            for (int n = 1; n <= 1000 && kept.empty(); ++n) {
                const std::string name = m_files[f].name + ".defekt" + (n == 1 ? std::string() : Number(n));
                if (!platform::Exists(PathIn(outDir, name)))
                    kept = name;
            }
            const platform::Outcome moved = kept.empty()
                                                ? platform::Outcome{false, {}}
                                                : platform::RenameReplacing(target, PathIn(outDir, kept));
            if (!moved) {
                fail({Status::WriteFailed, &target, moved.error});
                return report;
            }
            outcome.keptAs = kept;
        }
        if (const platform::Outcome renamed = platform::RenameReplacing(work[f].tempPath, target); !renamed) {
            fail({Status::WriteFailed, &target, renamed.error});
            return report;
        }
        work[f].tempPath.clear();
        outcome.kind = Kind::Rebuilt;
    }
    return report;
}

} // namespace portelan::par2
