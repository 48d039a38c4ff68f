#include "par2/RecoveryEncoder.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <numeric>

#include "common/Checksum.h"
#include "common/Crc32.h"
#include "par2/Gf16.h"
#include "par2/ReedSolomon.h"

namespace portelan::par2 {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;
// Enough blocks to carry the caller over the spells in which the thread
// gets no processor: with fewer, the read-back behind the caller stalls
// and the medium idles (a diskette split ran 3-10 % slower with four).
constexpr int kBlocks = 8;
// The coding walks a block in chunks that stay in the first-level cache
// while every recovery slice takes its share.
constexpr std::size_t kChunk = 16384;

// MD5 and CRC-32 continued over n zero bytes: a short slice is summed as if
// padded to the full size.
void AddZeros(Md5& md5, std::uint32_t& crc, std::int64_t n)
{
    static const unsigned char zeros[4096] = {};
    while (n > 0) {
        const std::size_t take = static_cast<std::size_t>(std::min<std::int64_t>(n, sizeof zeros));
        md5.Update(zeros, take);
        crc = Crc32Update(crc, zeros, take);
        n -= static_cast<std::int64_t>(take);
    }
}

// Flushed like the other files of a set: it is on the medium when this
// returns true; otherwise the system's reason is in error.
bool WriteWhole(const std::string& path, const std::string& critical, const std::vector<std::string>& heads,
                const std::vector<const unsigned char*>& slices, std::size_t sliceSize,
                platform::Error& error)
{
    platform::File file;
    if (!file.Open(path, platform::File::Mode::CreateWrite)) {
        error = file.LastError();
        return false;
    }
    bool ok = true;
    for (std::size_t i = 0; ok && i < slices.size(); ++i)
        ok = file.Write(heads[i].data(), heads[i].size()) && file.Write(slices[i], sliceSize);
    ok = ok && file.Write(critical.data(), critical.size()) && file.Flush();
    ok = file.Close() && ok;
    if (!ok)
        error = file.LastError();
    return ok;
}

} // namespace

std::optional<std::vector<Md5Digest>> ReadPieceHeads(const std::string& sourcePath,
                                                     const std::vector<PieceSpec>& pieces)
{
    platform::File source;
    if (!source.Open(sourcePath, platform::File::Mode::Read))
        return std::nullopt;
    std::vector<Md5Digest> heads;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kHeadBytes]);
    if (!buffer)
        return std::nullopt;
    std::int64_t offset = 0;
    for (const PieceSpec& piece : pieces) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(piece.length, kHeadBytes));
        std::size_t got = 0;
        while (got < want) {
            const std::int64_t n =
                source.ReadAt(buffer.get() + got, want - got, offset + static_cast<std::int64_t>(got));
            if (n <= 0)
                return std::nullopt;
            got += static_cast<std::size_t>(n);
        }
        heads.push_back(Md5::Of(buffer.get(), want));
        offset += piece.length;
    }
    return heads;
}

CRecoveryEncoder::CRecoveryEncoder(RecoveryLayout layout, std::vector<PieceSpec> pieces,
                                   std::vector<Md5Digest> heads, std::string creator,
                                   std::int64_t memoryBudget)
    : m_layout(std::move(layout)), m_pieces(std::move(pieces)), m_heads(std::move(heads)),
      m_creator(std::move(creator)), m_budget(std::max<std::int64_t>(memoryBudget, 1))
{
    m_striped = m_layout.recoverySlices > 0 &&
                m_layout.sliceSize > m_budget / static_cast<std::int64_t>(m_layout.recoverySlices);
    gf16::Init();
    if (m_heads.size() != m_pieces.size())
        m_wrongInput = true;
    for (std::size_t j = 0; j < m_pieces.size() && !m_wrongInput; ++j)
        m_fileIds.push_back(
            FileIdOf(m_heads[j], static_cast<std::uint64_t>(m_pieces[j].length), m_pieces[j].name));
    // The input slices are numbered over the files in the order of their IDs.
    std::vector<std::size_t> order(m_fileIds.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return IdLess(m_fileIds[a], m_fileIds[b]); });
    m_firstSlice.assign(m_fileIds.size(), 0);
    std::uint32_t next = 0;
    for (std::size_t j : order) {
        m_firstSlice[j] = next;
        next +=
            static_cast<std::uint32_t>((m_pieces[j].length + m_layout.sliceSize - 1) / m_layout.sliceSize);
    }
    if (next != m_layout.inputSlices)
        m_wrongInput = true;
    m_constants = InputConstants(next);
    m_pieceMd5.resize(m_pieces.size());
    m_sums.resize(m_pieces.size());
}

CRecoveryEncoder::~CRecoveryEncoder()
{
    if (m_started) {
        {
            std::lock_guard<platform::Monitor> lock(m_monitor);
            m_closing = true;
            m_monitor.NotifyAll();
        }
        m_thread.Join();
    }
}

CRecoveryEncoder::Status CRecoveryEncoder::Start()
{
    const std::size_t sliceSize = static_cast<std::size_t>(m_layout.sliceSize);
    for (std::uint32_t e = 0; !m_striped && e < m_layout.recoverySlices; ++e) {
        std::unique_ptr<unsigned char[]> slice(new (std::nothrow) unsigned char[sliceSize]);
        if (!slice)
            return Status::NoMemory;
        std::memset(slice.get(), 0, sliceSize);
        m_recovery.push_back(std::move(slice));
    }
    for (int i = 0; i < kBlocks; ++i) {
        Block block;
        block.data.reset(new (std::nothrow) unsigned char[kBlockSize]);
        if (!block.data)
            return Status::NoMemory;
        m_free.push_back(std::move(block));
    }
    if (!m_striped)
        m_factors.resize(m_layout.recoverySlices);
    if (!m_thread.Start(&CRecoveryEncoder::ThreadEntry, this))
        return Status::NoThread;
    m_started = true;
    return Status::Ok;
}

void CRecoveryEncoder::Feed(int piece, const void* data, std::size_t n)
{
    if (!m_started || m_wrongInput || piece < 0 || static_cast<std::size_t>(piece) >= m_pieces.size()) {
        m_wrongInput = true;
        return;
    }
    if (piece != m_piece) {
        if (piece != m_piece + 1 || m_fed != m_pieces[m_piece].length) {
            m_wrongInput = true;
            return;
        }
        m_piece = piece;
        m_fed = 0;
    }
    if (static_cast<std::uint64_t>(m_pieces[piece].length - m_fed) < n) {
        m_wrongInput = true;
        return;
    }
    auto p = static_cast<const unsigned char*>(data);
    if (m_fed < static_cast<std::int64_t>(kHeadBytes))
        m_headMd5.Update(p, std::min<std::size_t>(n, kHeadBytes - static_cast<std::size_t>(m_fed)));
    while (n) {
        if (!m_filling.data) {
            std::unique_lock<platform::Monitor> lock(m_monitor);
            while (m_free.empty())
                m_monitor.Wait();
            m_filling = std::move(m_free.front());
            m_free.pop_front();
            m_filling.piece = piece;
            m_filling.offset = m_fed;
            m_filling.n = 0;
        }
        const std::size_t take = std::min(n, kBlockSize - m_filling.n);
        std::memcpy(m_filling.data.get() + m_filling.n, p, take);
        m_filling.n += take;
        m_fed += static_cast<std::int64_t>(take);
        p += take;
        n -= take;
        if (m_filling.n == kBlockSize || m_fed == m_pieces[piece].length)
            Flush();
    }
    if (m_fed == m_pieces[piece].length)
        EndPiece();
}

void CRecoveryEncoder::Flush()
{
    std::lock_guard<platform::Monitor> lock(m_monitor);
    m_full.push_back(std::move(m_filling));
    m_filling = Block();
    m_monitor.NotifyAll();
}

void CRecoveryEncoder::EndPiece()
{
    if (m_headMd5.Final() != m_heads[m_piece])
        m_wrongInput = true;
}

CRecoveryEncoder::Status CRecoveryEncoder::Finish()
{
    if (!m_started)
        return Status::NoThread;
    {
        std::lock_guard<platform::Monitor> lock(m_monitor);
        m_closing = true;
        m_monitor.NotifyAll();
    }
    m_thread.Join();
    m_started = false;
    if (m_wrongInput || m_piece + 1 != static_cast<int>(m_pieces.size()) || m_fed != m_pieces[m_piece].length)
        return Status::WrongInput;
    return Status::Ok;
}

void CRecoveryEncoder::ThreadEntry(void* context) { static_cast<CRecoveryEncoder*>(context)->Run(); }

void CRecoveryEncoder::Run()
{
    for (;;) {
        Block block;
        {
            std::unique_lock<platform::Monitor> lock(m_monitor);
            while (m_full.empty() && !m_closing)
                m_monitor.Wait();
            if (m_full.empty())
                return;
            block = std::move(m_full.front());
            m_full.pop_front();
        }
        Code(block);
        std::lock_guard<platform::Monitor> lock(m_monitor);
        m_free.push_back(std::move(block));
        m_monitor.NotifyAll();
    }
}

void CRecoveryEncoder::Code(const Block& block)
{
    const std::int64_t sliceSize = m_layout.sliceSize;
    const std::int64_t pieceLength = m_pieces[block.piece].length;
    const unsigned char* p = block.data.get();
    std::int64_t at = block.offset;
    std::size_t left = block.n;
    while (left) {
        const std::int64_t inSlice = at % sliceSize;
        const std::uint32_t slice = static_cast<std::uint32_t>(at / sliceSize);
        if (inSlice == 0) {
            m_sliceMd5.Reset();
            m_sliceCrc = 0;
            const gf16::Word c = m_constants[m_firstSlice[block.piece] + slice];
            gf16::Word f = 1;
            for (auto& factor : m_factors) {
                factor = f;
                f = gf16::Mul(f, c);
            }
        }
        const std::size_t take = static_cast<std::size_t>(std::min<std::int64_t>(left, sliceSize - inSlice));
        Md5::UpdateBoth(m_sliceMd5, m_fileMd5, p, take);
        m_sliceCrc = Crc32Update(m_sliceCrc, p, take);
        for (std::size_t done = 0; done < take; done += kChunk) {
            const std::size_t n = std::min(kChunk, take - done);
            const std::size_t even = n & ~std::size_t(1);
            const std::size_t to = static_cast<std::size_t>(inSlice) + done;
            for (std::size_t e = 0; e < m_factors.size(); ++e) {
                gf16::MulAdd(m_recovery[e].get() + to, p + done, m_factors[e], even);
                if (even != n) { // the piece's last byte, as a word padded with zero
                    const unsigned char last[2] = {p[done + even], 0};
                    gf16::MulAdd(m_recovery[e].get() + to + even, last, m_factors[e], 2);
                }
            }
        }
        p += take;
        left -= take;
        at += static_cast<std::int64_t>(take);
        if (at == pieceLength)
            m_pieceMd5[block.piece] = m_fileMd5.Final();
        if (at % sliceSize == 0 || at == pieceLength) {
            // The zeros after a short last piece come to nearly a whole
            // slice; in a second pass they are summed beside its coding.
            const std::int64_t zeros = (sliceSize - at % sliceSize) % sliceSize;
            if (m_striped && zeros) {
                m_padding.push_back({block.piece, m_sums[block.piece].size(), m_sliceMd5, m_sliceCrc, zeros});
                m_sums[block.piece].push_back({});
            } else {
                AddZeros(m_sliceMd5, m_sliceCrc, zeros);
                m_sums[block.piece].push_back({m_sliceMd5.Final(), m_sliceCrc});
            }
        }
    }
}

void CRecoveryEncoder::PadEntry(void* context) { static_cast<CRecoveryEncoder*>(context)->PadSlices(); }

void CRecoveryEncoder::PadSlices()
{
    for (Padding& slice : m_padding) {
        AddZeros(slice.md5, slice.crc, slice.zeros);
        m_sums[slice.piece][slice.sum] = {slice.md5.Final(), slice.crc};
    }
    m_padding.clear();
}

std::string CRecoveryEncoder::CriticalPackets(Id& setId) const
{
    const std::string main = MainBody(static_cast<std::uint64_t>(m_layout.sliceSize), m_fileIds);
    setId = Md5::Of(main.data(), main.size());
    std::vector<std::size_t> order(m_fileIds.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return IdLess(m_fileIds[a], m_fileIds[b]); });
    std::string packets = MakePacket(setId, PacketType::Main, main);
    for (std::size_t j : order) {
        packets += MakePacket(setId, PacketType::FileDesc,
                              FileDescBody(m_fileIds[j], m_pieceMd5[j], m_heads[j],
                                           static_cast<std::uint64_t>(m_pieces[j].length), m_pieces[j].name));
        packets += MakePacket(setId, PacketType::Ifsc, IfscBody(m_fileIds[j], m_sums[j]));
    }
    packets += MakePacket(setId, PacketType::Creator, CreatorBody(m_creator));
    return packets;
}

CRecoveryEncoder::Result CRecoveryEncoder::WriteFiles(const std::string& dir, const std::atomic<bool>* stop,
                                                      ICopyProgress* progress)
{
    if (m_striped)
        return WriteStriped(dir, stop, progress);
    Id setId;
    const std::string critical = CriticalPackets(setId);
    if (static_cast<std::int64_t>(critical.size()) != m_layout.criticalBytes)
        return {Status::WrongInput, {}, {}};
    const std::size_t sliceSize = static_cast<std::size_t>(m_layout.sliceSize);
    for (const RecoveryFile& file : m_layout.files) {
        std::vector<std::string> heads;
        std::vector<const unsigned char*> slices;
        for (std::uint32_t e = file.firstExponent; e < file.firstExponent + file.slices; ++e) {
            if (e >= m_recovery.size())
                return {Status::WrongInput, {}, {}};
            heads.push_back(RecoveryPacketHead(setId, e, m_recovery[e].get(), sliceSize));
            slices.push_back(m_recovery[e].get());
        }
        const std::string path = PathIn(dir, file.name);
        platform::Error error;
        if (!WriteWhole(path, critical, heads, slices, sliceSize, error))
            return {Status::WriteFailed, path, error};
    }
    return {};
}

namespace {

// All stripes of the second pass together (two sets of the recovery
// slices' stripes, one being coded and one being written, and one input
// stripe) take at most this much, so that the coding runs in the
// processor's cache instead of streaming the recovery stripes through
// memory once per input slice; reads of the resulting width still stream.
constexpr std::int64_t kStripeBytes = 4 << 20;

// Adds the coded stripes of the second pass to their packets' MD5s and
// writes them to their volumes on a thread of its own, while the next stripe
// is read and coded; without a thread it does so on the caller's.
class CStripeWriter {
  public:
    struct Stripe {
        std::unique_ptr<unsigned char[]> data;
        std::int64_t at = 0;
        std::size_t n = 0;
    };

    CStripeWriter(const std::string& dir, const RecoveryLayout& layout, std::size_t width,
                  std::vector<std::string>& heads, std::vector<Md5>& md5)
        : m_dir(dir), m_layout(layout), m_width(width), m_heads(heads), m_md5(md5),
          m_volumes(layout.files.size())
    {
        const std::int64_t packetSize = layout.sliceSize + static_cast<std::int64_t>(kRecvSlicHead);
        m_volumeOf.resize(heads.size());
        m_packetAt.resize(heads.size());
        for (std::size_t v = 1; v < layout.files.size(); ++v) {
            const RecoveryFile& file = layout.files[v];
            for (std::uint32_t k = 0; k < file.slices; ++k) {
                if (file.firstExponent + k >= heads.size()) {
                    m_failed = {CRecoveryEncoder::Status::WrongInput, {}, {}};
                    return;
                }
                m_volumeOf[file.firstExponent + k] = v;
                m_packetAt[file.firstExponent + k] = static_cast<std::int64_t>(k) * packetSize;
            }
        }
    }
    ~CStripeWriter() { Finish(); }
    CStripeWriter(const CStripeWriter&) = delete;
    CStripeWriter& operator=(const CStripeWriter&) = delete;

    // The two sets of stripes; false without the memory for them.
    bool Start()
    {
        for (int i = 0; i < 2; ++i) {
            Stripe stripe;
            stripe.data.reset(new (std::nothrow) unsigned char[m_width * m_heads.size()]);
            if (!stripe.data)
                return false;
            m_free.push_back(std::move(stripe));
        }
        m_started = m_thread.Start(&CStripeWriter::ThreadEntry, this);
        return true;
    }
    // A set of stripes to code into, once the writing has given one back;
    // its data is null when a write failed.
    Stripe Take()
    {
        std::unique_lock<platform::Monitor> lock(m_monitor);
        while (m_free.empty() && m_failed.status == CRecoveryEncoder::Status::Ok)
            m_monitor.Wait();
        if (m_failed.status != CRecoveryEncoder::Status::Ok)
            return {};
        Stripe stripe = std::move(m_free.front());
        m_free.pop_front();
        return stripe;
    }
    void Put(Stripe stripe)
    {
        if (!m_started) {
            Write(stripe);
            m_free.push_back(std::move(stripe));
            return;
        }
        std::lock_guard<platform::Monitor> lock(m_monitor);
        m_full.push_back(std::move(stripe));
        m_monitor.NotifyAll();
    }
    // Waits until every stripe is written; the first failure, if any.
    CRecoveryEncoder::Result Finish()
    {
        if (m_started) {
            {
                std::lock_guard<platform::Monitor> lock(m_monitor);
                m_closing = true;
                m_monitor.NotifyAll();
            }
            m_thread.Join();
            m_started = false;
        }
        return m_failed;
    }
    // The volume v, open after the first stripe was written.
    platform::File& Volume(std::size_t v) { return m_volumes[v]; }
    std::int64_t PacketAt(std::uint32_t e) const { return m_packetAt[e]; }

  private:
    static void ThreadEntry(void* context) { static_cast<CStripeWriter*>(context)->Run(); }

    void Run()
    {
        for (;;) {
            Stripe stripe;
            {
                std::unique_lock<platform::Monitor> lock(m_monitor);
                while (m_full.empty() && !m_closing)
                    m_monitor.Wait();
                if (m_full.empty())
                    return;
                stripe = std::move(m_full.front());
                m_full.pop_front();
            }
            Write(stripe);
            std::lock_guard<platform::Monitor> lock(m_monitor);
            m_free.push_back(std::move(stripe));
            m_monitor.NotifyAll();
        }
    }

    // Each volume is created with its first stripe, and replaces an older
    // file of its name only then.
    void Write(const Stripe& stripe)
    {
        if (m_failed.status != CRecoveryEncoder::Status::Ok)
            return;
        // Two recovery slices' MD5s at a time, in the time of one.
        for (std::size_t e = 0; e < m_heads.size(); e += 2) {
            const unsigned char* data = stripe.data.get() + e * m_width;
            if (e + 1 < m_heads.size())
                Md5::UpdateBoth(m_md5[e], data, m_md5[e + 1], data + m_width, stripe.n);
            else
                m_md5[e].Update(data, stripe.n);
        }
        for (std::size_t e = 0; e < m_heads.size(); ++e) {
            platform::File& volume = m_volumes[m_volumeOf[e]];
            const std::string path = PathIn(m_dir, m_layout.files[m_volumeOf[e]].name);
            const unsigned char* data = stripe.data.get() + e * m_width;
            if ((!volume.IsOpen() && !volume.Open(path, platform::File::Mode::CreateWrite)) ||
                (stripe.at == 0 && !volume.WriteAt(m_heads[e].data(), m_heads[e].size(), m_packetAt[e])) ||
                !volume.WriteAt(data, stripe.n,
                                m_packetAt[e] + static_cast<std::int64_t>(kRecvSlicHead) + stripe.at)) {
                std::lock_guard<platform::Monitor> lock(m_monitor);
                m_failed = {CRecoveryEncoder::Status::WriteFailed, path, volume.LastError()};
                m_monitor.NotifyAll();
                return;
            }
        }
    }

    const std::string& m_dir;
    const RecoveryLayout& m_layout;
    const std::size_t m_width;
    std::vector<std::string>& m_heads;
    std::vector<Md5>& m_md5;
    std::vector<std::size_t> m_volumeOf;
    std::vector<std::int64_t> m_packetAt;
    std::vector<platform::File> m_volumes;
    CRecoveryEncoder::Result m_failed;
    platform::Monitor m_monitor; // guards the queues, m_closing and m_failed
    std::deque<Stripe> m_free, m_full;
    bool m_closing = false;
    bool m_started = false;
    platform::Thread m_thread;
};

} // namespace

// The second pass. For each stripe [at, at + width) of the slice length, in
// order: the stripe of every input slice is read from its piece and
// multiplied into the same stripe of every recovery slice, which then goes
// to its place in its volume. The stripes of a recovery slice thus arrive in
// order, and its packet MD5 follows them; the headers, the index file and
// the critical packets are written last, once the slices' padding is summed.
CRecoveryEncoder::Result CRecoveryEncoder::WriteStriped(const std::string& dir, const std::atomic<bool>* stop,
                                                        ICopyProgress* progress)
{
    const std::string main = MainBody(static_cast<std::uint64_t>(m_layout.sliceSize), m_fileIds);
    const Id setId = Md5::Of(main.data(), main.size());
    platform::Thread padder; // joined by its destructor on every way out
    const bool padding = !m_padding.empty() && padder.Start(&CRecoveryEncoder::PadEntry, this);
    if (!padding)
        PadSlices();

    const std::int64_t sliceSize = m_layout.sliceSize;
    const std::uint32_t count = m_layout.recoverySlices;
    // Even, for the words of the field; whole pages when there is room.
    std::int64_t width = std::min(m_budget, kStripeBytes) / (2 * static_cast<std::int64_t>(count) + 1);
    width = width >= 4096 ? width - width % 4096 : std::max<std::int64_t>(width & ~std::int64_t(1), 2);
    width = std::min(width, sliceSize);
    const std::size_t w = static_cast<std::size_t>(width);
    std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[w]);
    if (!input)
        return {Status::NoMemory, {}, {}};

    std::vector<Md5> md5(count);
    std::vector<std::string> heads(count);
    for (std::uint32_t e = 0; e < count; ++e)
        heads[e] = OpenRecoveryPacketHead(setId, e, static_cast<std::size_t>(sliceSize), md5[e]);

    CStripeWriter writer(dir, m_layout, w, heads, md5);
    if (!writer.Start())
        return {Status::NoMemory, {}, {}};
    std::vector<gf16::Word> factors(count);
    std::int64_t read = 0;
    for (std::int64_t at = 0; at < sliceSize; at += width) {
        const std::size_t n = static_cast<std::size_t>(std::min(width, sliceSize - at));
        CStripeWriter::Stripe stripes = writer.Take();
        if (!stripes.data)
            break;
        std::memset(stripes.data.get(), 0, w * count);
        for (std::size_t j = 0; j < m_pieces.size(); ++j) {
            if (stop && stop->load())
                return {Status::Stopped, {}, {}};
            const std::string path = PathIn(dir, m_pieces[j].name);
            platform::File piece;
            if (!piece.Open(path, platform::File::Mode::Read))
                return {Status::ReadFailed, path, piece.LastError()};
            const std::int64_t length = m_pieces[j].length;
            for (std::int64_t slice = 0; slice * sliceSize + at < length; ++slice) {
                const std::int64_t from = slice * sliceSize + at;
                const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(n, length - from));
                for (std::size_t got = 0; got < want;) {
                    const std::int64_t r =
                        piece.ReadAt(input.get() + got, want - got, from + static_cast<std::int64_t>(got));
                    if (r <= 0) // the piece was checked a moment ago: a short one is a fault
                        return {Status::ReadFailed, path, piece.LastError()};
                    got += static_cast<std::size_t>(r);
                }
                read += static_cast<std::int64_t>(want);
                std::size_t even = want;
                if (want % 2) // the piece's last byte, as a word padded with zero
                    input[even++] = 0;
                const gf16::Word c = m_constants[m_firstSlice[j] + static_cast<std::uint32_t>(slice)];
                gf16::Word f = 1;
                for (auto& factor : factors) {
                    factor = f;
                    f = gf16::Mul(f, c);
                }
                for (std::size_t done = 0; done < even; done += kChunk) {
                    const std::size_t part = std::min(kChunk, even - done);
                    for (std::uint32_t e = 0; e < count; ++e)
                        gf16::MulAdd(stripes.data.get() + e * w + done, input.get() + done, factors[e], part);
                }
            }
            if (progress)
                progress->Copied(read);
        }
        stripes.at = at;
        stripes.n = n;
        writer.Put(std::move(stripes));
    }
    if (const Result written = writer.Finish(); written.status != Status::Ok)
        return written;
    if (padding)
        padder.Join();
    Id same;
    const std::string critical = CriticalPackets(same);
    if (static_cast<std::int64_t>(critical.size()) != m_layout.criticalBytes)
        return {Status::WrongInput, {}, {}};
    const std::string indexPath = PathIn(dir, m_layout.files[0].name);
    platform::Error error;
    if (!WriteWhole(indexPath, critical, {}, {}, 0, error))
        return {Status::WriteFailed, indexPath, error};

    // The headers, now that their MD5s are known, and the critical packets.
    const std::int64_t packetSize = sliceSize + static_cast<std::int64_t>(kRecvSlicHead);
    for (std::uint32_t e = 0; e < count; ++e)
        SealPacketHead(heads[e], md5[e]);
    for (std::size_t v = 1; v < m_layout.files.size(); ++v) {
        const RecoveryFile& file = m_layout.files[v];
        platform::File& volume = writer.Volume(v);
        bool ok = volume.IsOpen();
        for (std::uint32_t k = 0; ok && k < file.slices; ++k) {
            const std::uint32_t e = file.firstExponent + k;
            ok = volume.WriteAt(heads[e].data(), heads[e].size(), writer.PacketAt(e));
        }
        ok = ok && volume.WriteAt(critical.data(), critical.size(), file.slices * packetSize) &&
             volume.Flush();
        ok = volume.Close() && ok;
        if (!ok)
            return {Status::WriteFailed, PathIn(dir, file.name), volume.LastError()};
    }
    return {};
}

} // namespace portelan::par2
