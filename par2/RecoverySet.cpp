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

struct SmallPacket {
    Id set{};
    PacketType type = PacketType::Other;
    Id key{}; // the file ID of FileDesc and IFSC packets
    std::string body;
};

bool SmallLess(const SmallPacket& a, const SmallPacket& b)
{
    if (a.set != b.set)
        return a.set < b.set;
    if (a.type != b.type)
        return a.type < b.type;
    return a.key < b.key;
}

struct Recv {
    Id set{};
    std::uint32_t exponent = 0;
    int source = 0;
    std::int64_t offset = 0;
    std::uint64_t length = 0;
};

const SmallPacket* Find(const std::vector<SmallPacket>& packets, const Id& set, PacketType type,
                        const Id& key)
{
    SmallPacket probe;
    probe.set = set;
    probe.type = type;
    probe.key = key;
    auto it = std::lower_bound(packets.begin(), packets.end(), probe, SmallLess);
    if (it == packets.end() || it->set != set || it->type != type || it->key != key)
        return nullptr;
    return &*it;
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

CRecoverySet::LoadStatus CRecoverySet::Load(const std::string& dir,
                                            const std::vector<std::string>& pieceNames)
{
    std::vector<std::string> paths;
    for (const std::string& name : platform::ListDirectory(dir))
        if (EndsWithPar2(name) && !platform::IsDirectory(PathIn(dir, name)))
            paths.push_back(PathIn(dir, name));
    std::vector<FileSource> files(paths.size());
    std::vector<Source> sources;
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (files[i].Open(paths[i])) // an unreadable one as if it were not there
            sources.push_back({paths[i], &files[i]});
    return LoadSources(sources, pieceNames);
}

CRecoverySet::LoadStatus CRecoverySet::LoadSources(const std::vector<Source>& sources,
                                                   const std::vector<std::string>& pieceNames)
{
    gf16::Init();
    *this = CRecoverySet();
    std::vector<SmallPacket> small;
    std::vector<Recv> recvs;
    bool any = false;
    std::int64_t largest = 0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        m_sourcePaths.push_back(sources[i].path);
        largest = std::max(largest, sources[i].bytes->Length());
        const bool read = ScanPackets(*sources[i].bytes, [&](Packet&& packet) {
            any = true;
            if (packet.type == PacketType::RecvSlic) {
                recvs.push_back({packet.setId, packet.exponent, static_cast<int>(i),
                                 packet.offset + static_cast<std::int64_t>(kRecvSlicHead), packet.length});
                return;
            }
            if (packet.type == PacketType::Creator)
                return;
            SmallPacket entry;
            entry.set = packet.setId;
            entry.type = packet.type;
            if (packet.type == PacketType::Main) {
                // The set ID is the Main body's MD5: a Main packet that
                // does not make its own ID belongs to no set.
                if (Md5::Of(packet.body.data(), packet.body.size()) != packet.setId)
                    return;
            } else {
                std::memcpy(entry.key.data(), packet.body.data(), 16);
            }
            entry.body = std::move(packet.body);
            if (!small.empty() && !SmallLess(small.back(), entry) && !SmallLess(entry, small.back()))
                return; // the copy that every volume carries
            small.push_back(std::move(entry));
        });
        if (!read) {
            m_failedPath = sources[i].path;
            return LoadStatus::ReadFailed;
        }
    }
    if (!any)
        return LoadStatus::NoPackets;
    // A heap sort: as fast in the worst case, and less code in the joiners.
    std::make_heap(small.begin(), small.end(), SmallLess);
    std::sort_heap(small.begin(), small.end(), SmallLess);
    small.erase(std::unique(small.begin(), small.end(),
                            [](const SmallPacket& a, const SmallPacket& b) {
                                return !SmallLess(a, b) && !SmallLess(b, a);
                            }),
                small.end());

    // The set whose descriptions name most of our pieces, among those with a Main packet.
    const SmallPacket* main = nullptr;
    std::size_t bestMatches = 0;
    for (const SmallPacket& packet : small) {
        if (packet.type != PacketType::Main)
            continue;
        std::size_t matches = 0;
        for (auto it = std::lower_bound(small.begin(), small.end(),
                                        SmallPacket{packet.set, PacketType::FileDesc, {}, {}}, SmallLess);
             it != small.end() && it->set == packet.set && it->type == PacketType::FileDesc; ++it)
            if (PieceOf(pieceNames, DescName(it->body)) >= 0)
                ++matches;
        if (matches > bestMatches) {
            bestMatches = matches;
            main = &packet;
        }
    }
    if (!main)
        return LoadStatus::NoSet;

    const unsigned char* body = reinterpret_cast<const unsigned char*>(main->body.data());
    const std::uint64_t sliceSize = Get64(body);
    const std::uint32_t fileCount = Get32(body + 8);
    // A slice no file here could hold a recovery copy of is refused: the
    // checks hash a short slice padded to the full size, which would cost
    // time out of all proportion to the bytes at hand.
    if (sliceSize == 0 || sliceSize % 4 || sliceSize > static_cast<std::uint64_t>(largest) ||
        fileCount == 0 || fileCount > kMaxInputSlices || (main->body.size() - 12) / 16 < fileCount)
        return LoadStatus::Inconsistent;
    m_sliceSize = static_cast<std::int64_t>(sliceSize);
    m_pieceFile.assign(pieceNames.size(), -1);
    std::uint64_t slices = 0;
    for (std::uint32_t f = 0; f < fileCount; ++f) {
        FileInfo file;
        std::memcpy(file.id.data(), body + 12 + 16 * f, 16);
        const SmallPacket* desc = Find(small, main->set, PacketType::FileDesc, file.id);
        const SmallPacket* ifsc = Find(small, main->set, PacketType::Ifsc, file.id);
        if (!desc || !ifsc)
            return LoadStatus::Inconsistent;
        const unsigned char* d = reinterpret_cast<const unsigned char*>(desc->body.data());
        std::memcpy(file.md5.data(), d + 16, 16);
        file.length = Get64(d + 48);
        file.name = DescName(desc->body);
        const std::uint64_t count = file.length / sliceSize + (file.length % sliceSize ? 1 : 0);
        if (count > kMaxInputSlices || slices + count > kMaxInputSlices ||
            ifsc->body.size() != 16 + 20 * count)
            return LoadStatus::Inconsistent;
        file.firstSlice = static_cast<std::uint32_t>(slices);
        slices += count;
        const unsigned char* entry = reinterpret_cast<const unsigned char*>(ifsc->body.data()) + 16;
        for (std::uint64_t s = 0; s < count; ++s, entry += 20) {
            SliceSum sum;
            std::memcpy(sum.md5.data(), entry, 16);
            sum.crc = Get32(entry + 16);
            file.sums.push_back(sum);
        }
        file.piece = PieceOf(pieceNames, file.name);
        if (file.piece >= 0 && m_pieceFile[file.piece] < 0)
            m_pieceFile[file.piece] = static_cast<int>(m_files.size());
        else
            file.piece = -1;
        m_files.push_back(std::move(file));
    }
    m_inputSlices = static_cast<std::uint32_t>(slices);

    // Exponents that differ by the field's order give the same slice.
    std::vector<char> seen(65535, 0);
    for (const Recv& recv : recvs)
        if (recv.set == main->set && recv.length == kRecvSlicHead + sliceSize &&
            !seen[recv.exponent % 65535]) {
            seen[recv.exponent % 65535] = 1;
            m_recovery.push_back({recv.exponent, recv.source, recv.offset});
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

PieceCheck CRecoverySet::CheckFile(const FileInfo& file, const std::string& path, bool wholeMd5,
                                   bool& md5Ok) const
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

CRecoverySet::RepairReport CRecoverySet::Repair(const std::vector<std::string>& piecePaths,
                                                const std::string& outDir,
                                                const std::vector<int>& rebuild) const
{
    using Status = RepairReport::Status;
    using Kind = PieceOutcome::Kind;
    RepairReport report;
    report.pieces.resize(m_pieceFile.size());
    // Which input slices are lost, over the whole set.
    std::vector<PieceCheck> checks(m_files.size());
    std::vector<std::string> readPath(m_files.size());
    std::vector<std::uint32_t> lostSlices; // global numbers
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        const FileInfo& file = m_files[f];
        if (file.piece >= 0 && static_cast<std::size_t>(file.piece) < piecePaths.size())
            readPath[f] = piecePaths[file.piece];
        bool md5Ok = false;
        checks[f] = CheckFile(file, readPath[f], false, md5Ok);
        if (file.piece >= 0)
            report.pieces[file.piece].before = checks[f].state;
        for (std::uint32_t s : checks[f].badSlices)
            lostSlices.push_back(static_cast<std::uint32_t>(file.firstSlice + s));
    }
    // The pieces to write.
    std::vector<char> chosen(m_files.size(), 0);
    for (std::size_t j = 0; j < report.pieces.size(); ++j) {
        const bool asked = rebuild.empty() ||
                           std::find(rebuild.begin(), rebuild.end(), static_cast<int>(j)) != rebuild.end();
        if (!Describes(static_cast<int>(j)))
            continue;
        const int f = m_pieceFile[j];
        if (checks[f].state == PieceState::Intact)
            report.pieces[j].kind = Kind::Intact;
        else if (asked)
            chosen[f] = 1;
        else
            report.pieces[j].kind = Kind::NotRebuilt;
    }
    if (std::find(chosen.begin(), chosen.end(), 1) == chosen.end())
        return report;
    const std::size_t lost = lostSlices.size();
    auto refuse = [&](Status status) {
        report.status = status;
        for (std::size_t f = 0; f < m_files.size(); ++f)
            if (chosen[f])
                report.pieces[m_files[f].piece].kind = Kind::NotRebuilt;
    };
    if (lost > m_recovery.size()) {
        refuse(Status::NotEnough);
        report.missingSlices = static_cast<std::uint32_t>(lost - m_recovery.size());
        return report;
    }
    if (lost > kMaxSolvable) {
        refuse(Status::Unsolvable);
        return report;
    }
    const std::vector<gf16::Word> constants = InputConstants(m_inputSlices);
    std::vector<gf16::Word> lostConstants(lost);
    for (std::size_t j = 0; j < lost; ++j)
        lostConstants[j] = constants[lostSlices[j]];
    std::vector<std::uint32_t> exponents(m_recovery.size());
    for (std::size_t r = 0; r < exponents.size(); ++r)
        exponents[r] = m_recovery[r].exponent;
    Solution solution;
    if (lost && !Solve(lostConstants, exponents, solution)) {
        refuse(Status::Unsolvable);
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
    std::vector<platform::File> temps(m_files.size());
    std::vector<std::string> tempPaths(m_files.size());
    auto dropTemps = [&] {
        for (std::size_t f = 0; f < m_files.size(); ++f)
            if (!tempPaths[f].empty()) {
                temps[f].Close();
                platform::RemoveFile(tempPaths[f]);
            }
    };
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        if (!chosen[f])
            continue;
        const std::string base = PathIn(outDir, m_files[f].name) + ".neu";
        for (int n = 1; n <= 100 && !temps[f].IsOpen(); ++n) {
            const std::string path = n == 1 ? base : base + Number(n);
            if (temps[f].Open(path, platform::File::Mode::CreateNew))
                tempPaths[f] = path;
        }
        if (!temps[f].IsOpen()) {
            dropTemps();
            report.status = Status::WriteFailed;
            report.failedPath = base;
            return report;
        }
    }
    // One failure leaves nothing behind: the temporary files go.
    struct Failure {
        Status status = Status::Ok;
        std::string path;
    };
    auto fail = [&](const Failure& failure) {
        dropTemps();
        report.status = failure.status;
        report.failedPath = failure.path;
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
                    return {Status::ReadFailed, path};
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
                    if (!piece.IsOpen() && !piece.Open(readPath[f], platform::File::Mode::Read))
                        return {Status::ReadFailed, readPath[f]};
                    const std::int64_t got = ReadUpTo(piece, in, static_cast<std::size_t>(available), at);
                    if (got < 0)
                        return {Status::ReadFailed, readPath[f]};
                    std::memset(in + got, 0, w - static_cast<std::size_t>(got));
                    for (std::size_t r = 0; r < lost; ++r)
                        gf16::MulAdd(sum(r), in, gf16::Pow(constants[i], used(r).exponent), w);
                    if (chosen[f] && !temps[f].WriteAt(in, static_cast<std::size_t>(available), at))
                        return {Status::WriteFailed, tempPaths[f]};
                }
            }
            for (std::size_t j = 0; j < lost; ++j) {
                const std::uint32_t i = lostSlices[j];
                std::size_t f = 0;
                while (!(m_files[f].firstSlice <= i && i < m_files[f].firstSlice + m_files[f].sums.size()))
                    ++f;
                if (!chosen[f])
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
                if (!temps[f].WriteAt(out, static_cast<std::size_t>(available), at))
                    return {Status::WriteFailed, tempPaths[f]};
            }
        }

        for (std::size_t f = 0; f < m_files.size(); ++f) {
            if (!chosen[f])
                continue;
            const bool closed = temps[f].Close();
            bool md5Ok = false;
            if (!closed)
                return {Status::WriteFailed, tempPaths[f]};
            if (CheckFile(m_files[f], tempPaths[f], true, md5Ok).state != PieceState::Intact || !md5Ok)
                return {Status::CheckFailed, tempPaths[f]};
        }
        return {};
    };
    if (const Failure failure = code(); failure.status != Status::Ok) {
        fail(failure);
        return report;
    }
    // Every rebuilt piece is sound: now they take their names.
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        if (!chosen[f])
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
            if (kept.empty() || !platform::RenameReplacing(target, PathIn(outDir, kept))) {
                fail({Status::WriteFailed, target});
                return report;
            }
            outcome.keptAs = kept;
        }
        if (!platform::RenameReplacing(tempPaths[f], target)) {
            fail({Status::WriteFailed, target});
            return report;
        }
        tempPaths[f].clear();
        outcome.kind = Kind::Rebuilt;
    }
    return report;
}

} // namespace portelan::par2
