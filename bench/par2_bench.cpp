// Figures of the PAR2 recovery code: MD5 and the field's kernels, then
// creating recovery data for 1 GiB in 100 MiB pieces (the coding weighs
// most) and in diskette pieces (the hashing weighs most), each against
// par2cmdline at the same slice size and count, and the repair of one lost
// 100 MiB piece against "par2 repair". Prints figures; asserts nothing.
//   par2-bench WORKDIR [MiB [big|disk]]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "par2/Gf16.h"
#include "par2/Gf16Fast.h"
#include "par2/Md5.h"
#include "par2/RecoveryEncoder.h"
#include "par2/RecoverySet.h"
#include "platform/Platform.h"

using namespace portelan;
using namespace portelan::par2;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double Shell(const std::string& command)
{
    const auto start = Clock::now();
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        std::printf("  (failed: %s)\n", command.c_str());
    return Seconds(start);
}

void Fill(unsigned char* p, std::size_t n, std::uint64_t seed)
{
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        std::memcpy(p + i, &seed, 8);
    }
}

std::vector<PieceSpec> MakePieces(const std::string& dir, std::int64_t total, std::int64_t pieceSize)
{
    std::vector<PieceSpec> pieces;
    std::vector<unsigned char> block(1 << 20);
    std::uint64_t seed = 88172645463325252ull;
    for (std::int64_t at = 0; at < total; at += pieceSize) {
        char name[16];
        std::snprintf(name, sizeof name, "film.%03zu", pieces.size() + 1);
        pieces.push_back({name, std::min(pieceSize, total - at)});
        platform::File file;
        file.Open(dir + "/" + name, platform::File::Mode::CreateWrite);
        for (std::int64_t done = 0; done < pieces.back().length;) {
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::int64_t>(block.size(), pieces.back().length - done));
            Fill(block.data(), n, seed++);
            file.Write(block.data(), n);
            done += static_cast<std::int64_t>(n);
        }
    }
    return pieces;
}

// Reads each piece in blocks of 1 MiB, as the split's read pass does.
template <typename Each>
void ReadPieces(const std::string& dir, const std::vector<PieceSpec>& pieces, Each&& each)
{
    std::vector<unsigned char> block(1 << 20);
    for (std::size_t j = 0; j < pieces.size(); ++j) {
        platform::File file;
        file.Open(dir + "/" + pieces[j].name, platform::File::Mode::Read);
        for (std::int64_t got; (got = file.Read(block.data(), block.size())) > 0;)
            each(static_cast<int>(j), block.data(), static_cast<std::size_t>(got));
    }
}

void Case(const std::string& dir, std::int64_t total, std::int64_t pieceSize, const char* what, bool repair)
{
    if (std::system(("rm -rf " + dir + " && mkdir -p " + dir + "/ours").c_str()) != 0)
        std::printf("%s: cannot prepare %s\n", what, dir.c_str());
    const std::vector<PieceSpec> pieces = MakePieces(dir, total, pieceSize);
    const auto layout = PlanRecovery("_film", pieces, 1, "Portelan bench");
    if (!layout) {
        std::printf("%s: no layout\n", what);
        return;
    }
    std::printf("%s: %zu pieces, slice %lld bytes, %u input slices, %u recovery slices in %zu volumes\n",
                what, pieces.size(), static_cast<long long>(layout->sliceSize), layout->inputSlices,
                layout->recoverySlices, layout->files.size() - 1);
    // The hashing alone: the pieces' MD5 and the slices' MD5, one after the other on one core.
    auto start = Clock::now();
    Md5 file, slice;
    std::int64_t inSlice = 0;
    ReadPieces(dir, pieces, [&](int, const unsigned char* p, std::size_t n) {
        file.Update(p, n);
        while (n) {
            const std::size_t take =
                static_cast<std::size_t>(std::min<std::int64_t>(n, layout->sliceSize - inSlice));
            slice.Update(p, take);
            p += take;
            n -= take;
            inSlice = (inSlice + static_cast<std::int64_t>(take)) % layout->sliceSize;
        }
    });
    const double hashing = Seconds(start);
    std::printf("  MD5 of pieces and slices, one core: %.2f s (half of it: %.2f s)\n", hashing, hashing / 2);

    start = Clock::now();
    // The heads as the splitter reads them from the source before the split.
    std::vector<Md5Digest> heads;
    std::vector<unsigned char> head(kHeadBytes);
    for (const PieceSpec& piece : pieces) {
        platform::File in;
        in.Open(dir + "/" + piece.name, platform::File::Mode::Read);
        const std::int64_t n = in.Read(head.data(), head.size());
        heads.push_back(Md5::Of(head.data(), static_cast<std::size_t>(n)));
    }
    CRecoveryEncoder encoder(*layout, pieces, heads, "Portelan bench");
    encoder.Start();
    ReadPieces(dir, pieces, [&](int j, const unsigned char* p, std::size_t n) { encoder.Feed(j, p, n); });
    // Written beside the pieces, as a split does: pieces beyond the memory
    // budget are read from there once more. Then aside, out of par2's way.
    bool ok = encoder.Finish() == CRecoveryEncoder::Status::Ok;
    const double readPass = Seconds(start);
    ok = ok && encoder.WriteFiles(dir).status == CRecoveryEncoder::Status::Ok;
    const double ours = Seconds(start);
    for (const RecoveryFile& made : layout->files)
        std::rename((dir + "/" + made.name).c_str(), (dir + "/ours/" + made.name).c_str());
    const double theirs = Shell("cd " + dir + " && par2 create -q -s" + std::to_string(layout->sliceSize) +
                                " -c" + std::to_string(layout->recoverySlices) + " _p2.par2 film.*");
    std::printf("  create: ours %.2f s%s (read pass %.2f s, writing the files %.2f s), par2 create %.2f s: "
                "%.1fx; ours / hashing on two cores: %.2f\n",
                ours, ok ? "" : " (FAILED)", readPass, ours - readPass, theirs, theirs / ours,
                ours / (hashing / 2));
    if (!repair)
        return;
    const std::string lost = dir + "/" + pieces[pieces.size() / 2].name;
    std::vector<std::string> names, paths;
    for (const PieceSpec& piece : pieces) {
        names.push_back(piece.name);
        paths.push_back(dir + "/" + piece.name);
    }
    std::remove(lost.c_str());
    start = Clock::now();
    CRecoverySet set;
    const bool loaded = set.Load(dir + "/ours", names) == CRecoverySet::LoadStatus::Ok;
    const bool repaired = loaded && set.Repair(paths, dir).status == CRecoverySet::RepairReport::Status::Ok;
    const double oursRepair = Seconds(start);
    std::remove(lost.c_str());
    const double theirRepair = Shell("cd " + dir + " && par2 repair -q _p2.par2");
    std::printf("  repair of one lost piece: ours %.2f s%s, par2 repair %.2f s: %.1fx\n", oursRepair,
                repaired ? "" : " (FAILED)", theirRepair, theirRepair / oursRepair);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: par2-bench WORKDIR [MiB [big|disk]]\n");
        return 2;
    }
    const std::string work = argv[1];
    const std::int64_t total = (argc > 2 ? std::atoll(argv[2]) : 1024) << 20;

    std::vector<unsigned char> data(256 << 20), dst(256 << 20);
    Fill(data.data(), data.size(), 12345);
    auto start = Clock::now();
    const Md5Digest digest = Md5::Of(data.data(), data.size());
    std::printf("MD5: %.2f GB/s (%02x…)\n", data.size() / Seconds(start) / 1e9, digest[0]);

    struct Kernel {
        const char* name;
        bool available;
        gf16::MulAddKernel run;
    } kernels[] = {{"plain", true, &gf16::MulAddPlain},
                   {"ssse3", gf16::HasSsse3(), &gf16::MulAddSsse3},
                   {"avx2", gf16::HasAvx2(), &gf16::MulAddAvx2}};
    for (const Kernel& kernel : kernels) {
        if (!kernel.available)
            continue;
        start = Clock::now();
        for (int round = 0; round < 2000; ++round) // 64 KiB, in the cache
            kernel.run(dst.data(), data.data(), static_cast<gf16::Word>(round + 2), 65536);
        const double cached = 2000.0 * 65536 / Seconds(start) / 1e9;
        start = Clock::now();
        kernel.run(dst.data(), data.data(), 0x1234, data.size());
        const double streamed = data.size() / Seconds(start) / 1e9;
        std::printf("GF mul-add %-5s: %.2f GB/s in the cache, %.2f GB/s over 256 MiB\n", kernel.name, cached,
                    streamed);
    }
    UseFastKernels();
    std::printf("kernel in use: %s\n", gf16::KernelName());
    data = {};
    dst = {};
    const std::string only = argc > 3 ? argv[3] : "";
    if (only.empty() || only == "big")
        Case(work + "/big", total, 100 << 20, "100 MiB pieces", true);
    if (only.empty() || only == "disk")
        Case(work + "/disk", total, 1457664, "diskette pieces", false);
    return std::system(("rm -rf " + work + "/big " + work + "/disk").c_str()) == 0 ? 0 : 1;
}
