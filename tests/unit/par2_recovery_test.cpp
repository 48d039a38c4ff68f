// The PAR2 recovery files: our layout and encoder against par2cmdline's
// verify and repair, our reader and repair against par2cmdline's sets, and
// hostile packets.
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "common/Checksum.h"
#include "par2/Gf16Fast.h"
#include "par2/Layout.h"
#include "par2/Packets.h"
#include "par2/RecoveryEncoder.h"
#include "par2/RecoverySet.h"

namespace portelan::par2 {
namespace {

using Status = CRecoverySet::RepairReport::Status;
using Kind = CRecoverySet::PieceOutcome::Kind;

bool HavePar2() { return std::system("command -v par2 >/dev/null 2>&1") == 0; }

int Shell(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string PieceName(int j)
{
    std::string number = std::to_string(j + 1);
    return "film." + std::string(3 - number.size(), '0') + number;
}

// A source of total bytes cut into pieces of pieceSize in dir.
struct Pieces {
    std::string data;
    std::vector<PieceSpec> specs;
    std::vector<std::string> names;

    Pieces(const test::TempDir& dir, std::int64_t total, std::int64_t pieceSize, unsigned seed = 1)
        : data(test::RandomBytes(static_cast<std::size_t>(total), seed))
    {
        for (std::int64_t at = 0; at < total; at += pieceSize) {
            const int j = static_cast<int>(specs.size());
            specs.push_back({PieceName(j), std::min(pieceSize, total - at)});
            names.push_back(PieceName(j));
            test::WriteFile(dir / PieceName(j), Bytes(j));
        }
    }
    std::string Bytes(int j) const
    {
        std::int64_t at = 0;
        for (int k = 0; k < j; ++k)
            at += specs[k].length;
        return data.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(specs[j].length));
    }
    std::vector<std::string> Paths(const test::TempDir& dir) const
    {
        std::vector<std::string> paths;
        for (const std::string& name : names)
            paths.push_back(dir / name);
        return paths;
    }
};

// What a second pass over the pieces reports, in order.
struct ReadCounts final : ICopyProgress {
    std::vector<std::int64_t> seen;
    void Copied(std::int64_t bytes) override { seen.push_back(bytes); }
};

// Our encoder over the pieces, fed in blocks that fit nothing in particular;
// recovery slices beyond budget are coded from the pieces in dir.
std::optional<RecoveryLayout> Encode(const test::TempDir& dir, const Pieces& pieces, std::uint32_t recovery,
                                     std::int64_t budget = kRecoveryMemoryBudget,
                                     ReadCounts* progress = nullptr)
{
    UseFastKernels();
    auto layout = PlanRecovery("_film", pieces.specs, recovery, "Portelan test");
    if (!layout)
        return layout;
    std::vector<Md5Digest> heads;
    for (std::size_t j = 0; j < pieces.specs.size(); ++j) {
        const std::string bytes = pieces.Bytes(static_cast<int>(j));
        heads.push_back(Md5::Of(bytes.data(), std::min<std::size_t>(bytes.size(), kHeadBytes)));
    }
    CRecoveryEncoder encoder(*layout, pieces.specs, heads, "Portelan test", budget);
    EXPECT_EQ(encoder.Start(), CRecoveryEncoder::Status::Ok);
    for (std::size_t j = 0; j < pieces.specs.size(); ++j) {
        const std::string bytes = pieces.Bytes(static_cast<int>(j));
        for (std::size_t at = 0; at < bytes.size(); at += 30011)
            encoder.Feed(static_cast<int>(j), bytes.data() + at,
                         std::min<std::size_t>(30011, bytes.size() - at));
    }
    EXPECT_EQ(encoder.Finish(), CRecoveryEncoder::Status::Ok);
    EXPECT_EQ(encoder.WriteFiles(dir.Dir(), nullptr, progress).status, CRecoveryEncoder::Status::Ok);
    return layout;
}

void Damage(const std::string& path, std::size_t at)
{
    std::string bytes = test::ReadFile(path);
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
    test::WriteFile(path, bytes);
}

TEST(Par2Layout, KeepsEveryFileWithinAPieceAndCountsItsBytes)
{
    const struct {
        std::int64_t pieceSize;
        int count;
        std::int64_t last;
        std::uint32_t recovery;
    } cases[] = {
        {1457664, 3, 1000, 1},        {1457664, 999, 1457664, 1}, {1457664, 700, 12345, 3},
        {100 << 20, 11, 25 << 20, 1}, {1 << 30, 40, 1 << 29, 2},  {262144, 100, 262144, 5},
    };
    for (const auto& c : cases) {
        std::vector<PieceSpec> pieces(c.count, PieceSpec{"", c.pieceSize});
        for (int j = 0; j < c.count; ++j)
            pieces[j].name = PieceName(j);
        pieces.back().length = c.last;
        const auto layout = PlanRecovery("_film", pieces, c.recovery, "Portelan");
        ASSERT_TRUE(layout) << c.pieceSize << " × " << c.count;
        EXPECT_EQ(layout->sliceSize % 4, 0);
        EXPECT_LE(layout->inputSlices, 32768u);
        EXPECT_EQ(layout->recoverySlices, c.recovery * layout->slicesPerPiece);
        EXPECT_GE(static_cast<std::int64_t>(layout->slicesPerPiece) * layout->sliceSize, c.pieceSize);
        ASSERT_FALSE(layout->files.empty());
        EXPECT_EQ(layout->files[0].name, "_film.par2");
        std::int64_t total = 0;
        std::uint32_t next = 0;
        for (const RecoveryFile& file : layout->files) {
            EXPECT_LE(file.bytes, c.pieceSize) << file.name;
            EXPECT_EQ(file.firstExponent, file.slices ? next : 0u);
            next += file.slices;
            total += file.bytes;
        }
        EXPECT_EQ(next, layout->recoverySlices);
        EXPECT_EQ(total, layout->totalBytes);
    }
    // 999 pieces of 64 KiB: their descriptions alone are larger than a piece.
    std::vector<PieceSpec> tiny(999, PieceSpec{"film.001", 65536});
    EXPECT_FALSE(PlanRecovery("_film", tiny, 1, "Portelan"));
}

TEST(Par2Recovery, Par2cmdlineVerifiesAndRepairsOurFiles)
{
    if (!HavePar2())
        GTEST_SKIP() << "par2 is not installed";
    // Six pieces, the last of odd length: four recovery slices of 50000
    // bytes, 200000 in all, held in memory or, under a smaller budget, coded
    // in a second pass in stripes (of 16384 bytes and the rest, or of 110).
    const struct {
        const char* what;
        std::int64_t budget;
    } cases[] = {
        {"in memory", kRecoveryMemoryBudget},
        {"two uneven stripes", 150000},
        {"455 stripes", 1000},
    };
    std::vector<std::string> inMemory;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const Pieces pieces(dir, 5 * 100000 + 37001, 100000);
        ReadCounts progress;
        const auto layout = Encode(dir, pieces, 2, c.budget, &progress);
        ASSERT_TRUE(layout);
        // A second pass shows its progress up to every byte of the pieces.
        if (c.budget < kRecoveryMemoryBudget) {
            ASSERT_FALSE(progress.seen.empty());
            EXPECT_TRUE(std::is_sorted(progress.seen.begin(), progress.seen.end()));
            EXPECT_EQ(progress.seen.back(), 5 * 100000 + 37001);
        } else {
            EXPECT_TRUE(progress.seen.empty());
        }
        EXPECT_EQ(layout->files[1].name, "_film.vol0+1.par2");
        std::vector<std::string> files;
        for (const RecoveryFile& file : layout->files) {
            files.push_back(test::ReadFile(dir / file.name));
            EXPECT_EQ(static_cast<std::int64_t>(files.back().size()), file.bytes) << file.name;
        }
        // The second pass writes the very bytes the first would have.
        if (inMemory.empty())
            inMemory = files;
        else
            EXPECT_TRUE(files == inMemory);
        EXPECT_EQ(Shell("cd " + dir.Dir() + " && par2 verify -q _film.par2"), 0);

        std::remove((dir / "film.002").c_str());
        Damage(dir / "film.006", 777);
        EXPECT_EQ(Shell("cd " + dir.Dir() + " && par2 verify -q _film.par2"), 1);
        EXPECT_EQ(Shell("cd " + dir.Dir() + " && par2 repair -q _film.par2"), 0);
        EXPECT_EQ(test::ReadFile(dir / "film.002"), pieces.Bytes(1));
        EXPECT_EQ(test::ReadFile(dir / "film.006"), pieces.Bytes(5));
    }
}

// Faults done to a set, and what the repair should make of them.
struct Scenario {
    const char* what;
    bool ours;                      // our files, or par2cmdline's
    std::vector<int> lost, damaged; // pieces removed, pieces with a byte changed
    bool enough;
};

TEST(Par2Recovery, RebuildsLostAndDamagedPiecesFromEitherWritersFiles)
{
    if (!HavePar2())
        GTEST_SKIP() << "par2 is not installed";
    // Seven pieces of 60000 bytes and a short last one; par2cmdline's set has
    // 4000-byte slices (15 per piece) and 20 recovery slices in several
    // volumes, ours two pieces' worth.
    const std::vector<Scenario> scenarios = {
        {"first lost", false, {0}, {}, true},
        {"middle lost", false, {3}, {}, true},
        {"short last lost", false, {7}, {}, true},
        {"damaged", false, {}, {2}, true},
        {"one lost, two damaged", false, {5}, {1, 6}, true},
        {"two lost", false, {1, 4}, {}, false},
        {"ours: first lost", true, {0}, {}, true},
        {"ours: two lost", true, {2, 7}, {}, true},
        {"ours: one damaged, one lost", true, {6}, {3}, true},
        {"ours: three lost", true, {0, 1, 2}, {}, false},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.what);
        test::TempDir dir;
        const Pieces pieces(dir, 7 * 60000 + 5002, 60000, 9);
        if (scenario.ours) {
            ASSERT_TRUE(Encode(dir, pieces, 2));
        } else {
            ASSERT_EQ(Shell("cd " + dir.Dir() + " && par2 create -q -s4000 -c20 -n4 _film.par2 film.0*"), 0);
        }
        for (int j : scenario.lost)
            std::remove((dir / pieces.names[j]).c_str());
        for (int j : scenario.damaged)
            Damage(dir / pieces.names[j], 1234);

        CRecoverySet set;
        ASSERT_EQ(set.Load(dir.Dir(), pieces.names), CRecoverySet::LoadStatus::Ok);
        const auto report = set.Repair(pieces.Paths(dir), dir.Dir());
        if (!scenario.enough) {
            EXPECT_EQ(report.status, Status::NotEnough);
            EXPECT_GT(report.missingSlices, 0u);
            for (int j : scenario.lost)
                EXPECT_FALSE(test::FileExists(dir / pieces.names[j]));
            EXPECT_EQ(Shell("ls " + dir.Dir() + " | grep -v -e '^film\\.00[1-8]$' -e 'par2$'"), 1)
                << "a repair without enough data writes nothing";
            continue;
        }
        ASSERT_EQ(report.status, Status::Ok) << report.failedPath;
        for (std::size_t j = 0; j < pieces.names.size(); ++j) {
            const bool broken = std::count(scenario.lost.begin(), scenario.lost.end(), int(j)) ||
                                std::count(scenario.damaged.begin(), scenario.damaged.end(), int(j));
            EXPECT_EQ(report.pieces[j].kind, broken ? Kind::Rebuilt : Kind::Intact) << j;
            EXPECT_EQ(test::ReadFile(dir / pieces.names[j]), pieces.Bytes(static_cast<int>(j))) << j;
        }
        for (int j : scenario.damaged) {
            EXPECT_EQ(report.pieces[j].keptAs, pieces.names[j] + ".defekt");
            EXPECT_NE(test::ReadFile(dir / (pieces.names[j] + ".defekt")), pieces.Bytes(j));
        }
        if (!scenario.ours) { // and par2cmdline agrees that the set is whole again
            EXPECT_EQ(Shell("cd " + dir.Dir() + " && par2 verify -q _film.par2"), 0);
        }
    }
}

TEST(Par2Recovery, ReadsPiecesFromElsewhereAndKeepsWhatIsInTheWay)
{
    test::TempDir dir, other;
    const Pieces pieces(dir, 4 * 50000, 50000, 4);
    ASSERT_TRUE(Encode(dir, pieces, 1));
    // Piece 2 lies intact in another directory; piece 3 here is damaged and
    // an older "film.003.defekt" must survive.
    test::WriteFile(other / "film.002", pieces.Bytes(1));
    std::remove((dir / "film.002").c_str());
    Damage(dir / "film.003", 10);
    test::WriteFile(dir / "film.003.defekt", "older");
    std::vector<std::string> paths = pieces.Paths(dir);
    paths[1] = other / "film.002";

    CRecoverySet set;
    ASSERT_EQ(set.Load(dir.Dir(), pieces.names), CRecoverySet::LoadStatus::Ok);
    EXPECT_EQ(set.Check(1, paths[1]).state, PieceState::Intact);
    EXPECT_EQ(set.Check(2, dir / "film.003").state, PieceState::Damaged);
    const auto report = set.Repair(paths, dir.Dir(), {2});
    ASSERT_EQ(report.status, Status::Ok);
    EXPECT_EQ(report.pieces[2].keptAs, "film.003.defekt2");
    EXPECT_EQ(test::ReadFile(dir / "film.003"), pieces.Bytes(2));
    EXPECT_EQ(test::ReadFile(dir / "film.003.defekt"), "older");
    EXPECT_FALSE(test::FileExists(dir / "film.002")) << "only the piece asked for is written";
}

TEST(Par2Recovery, ChecksPiecesOfTheWrongLengthAndRebuildsThem)
{
    test::TempDir dir;
    const Pieces pieces(dir, 3 * 50000, 50000, 6);
    const auto layout = Encode(dir, pieces, 1);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->sliceSize, 25000);
    // Cut inside the second slice, and one byte too many.
    test::WriteFile(dir / "film.001", pieces.Bytes(0).substr(0, 30000));
    test::WriteFile(dir / "film.002", pieces.Bytes(1) + "x");
    CRecoverySet set;
    ASSERT_EQ(set.Load(dir.Dir(), pieces.names), CRecoverySet::LoadStatus::Ok);
    const PieceCheck cut = set.Check(0, dir / "film.001");
    EXPECT_EQ(cut.state, PieceState::WrongLength);
    EXPECT_EQ(cut.badSlices, (std::vector<std::uint32_t>{1}));
    const PieceCheck longer = set.Check(1, dir / "film.002");
    EXPECT_EQ(longer.state, PieceState::WrongLength);
    EXPECT_TRUE(longer.badSlices.empty());
    EXPECT_EQ(set.Check(2, dir / "film.009").state, PieceState::Missing);
    EXPECT_EQ(set.Check(7, dir / "film.003").state, PieceState::NotDescribed);

    const auto report = set.Repair(pieces.Paths(dir), dir.Dir());
    ASSERT_EQ(report.status, Status::Ok);
    EXPECT_EQ(test::ReadFile(dir / "film.001"), pieces.Bytes(0));
    EXPECT_EQ(test::ReadFile(dir / "film.002"), pieces.Bytes(1));
    EXPECT_EQ(test::ReadFile(dir / "film.002.defekt"), pieces.Bytes(1) + "x");
}

TEST(Par2Recovery, TheEncoderRefusesWrongInputAndNamesTheFileItCouldNotWrite)
{
    test::TempDir dir;
    const Pieces pieces(dir, 2 * 40000, 40000, 8);
    const auto layout = PlanRecovery("_film", pieces.specs, 1, "Portelan test");
    ASSERT_TRUE(layout);
    std::vector<Md5Digest> heads;
    for (int j = 0; j < 2; ++j)
        heads.push_back(Md5::Of(pieces.Bytes(j).data(), kHeadBytes));
    const std::string first = pieces.Bytes(0), second = pieces.Bytes(1);
    const struct {
        const char* what;
        std::vector<std::pair<int, std::string>> feeds;
        bool otherHead;
    } cases[] = {
        {"short piece", {{0, first.substr(1)}, {1, second}}, false},
        {"out of order", {{1, second}, {0, first}}, false},
        {"too long", {{0, first + "y"}, {1, second}}, false},
        {"other bytes than the heads said", {{0, first}, {1, second}}, true},
    };
    for (const auto& c : cases) {
        std::vector<Md5Digest> given = heads;
        if (c.otherHead)
            given[1][0] ^= 1;
        CRecoveryEncoder encoder(*layout, pieces.specs, given, "Portelan test");
        ASSERT_EQ(encoder.Start(), CRecoveryEncoder::Status::Ok);
        for (const auto& [piece, bytes] : c.feeds)
            encoder.Feed(piece, bytes.data(), bytes.size());
        EXPECT_EQ(encoder.Finish(), CRecoveryEncoder::Status::WrongInput) << c.what;
    }
    // A file where the directory should be.
    CRecoveryEncoder encoder(*layout, pieces.specs, heads, "Portelan test");
    ASSERT_EQ(encoder.Start(), CRecoveryEncoder::Status::Ok);
    encoder.Feed(0, first.data(), first.size());
    encoder.Feed(1, second.data(), second.size());
    ASSERT_EQ(encoder.Finish(), CRecoveryEncoder::Status::Ok);
    const std::string locked = dir / "film.001";
    const auto result = encoder.WriteFiles(locked);
    EXPECT_EQ(result.status, CRecoveryEncoder::Status::WriteFailed);
    EXPECT_EQ(result.failedPath, locked + "/_film.par2");

    // The second pass reads the pieces back from the target: one that went
    // missing since is named, and a raised stop flag ends the pass; a volume
    // that cannot be written is named from the thread that writes it.
    CRecoveryEncoder striped(*layout, pieces.specs, heads, "Portelan test", 1000);
    ASSERT_EQ(striped.Start(), CRecoveryEncoder::Status::Ok);
    striped.Feed(0, first.data(), first.size());
    striped.Feed(1, second.data(), second.size());
    ASSERT_EQ(striped.Finish(), CRecoveryEncoder::Status::Ok);
    const std::atomic<bool> stop{true};
    EXPECT_EQ(striped.WriteFiles(dir.Dir(), &stop).status, CRecoveryEncoder::Status::Stopped);
    const std::string volume = dir / layout->files[1].name;
    std::remove(volume.c_str());
    ASSERT_TRUE(std::filesystem::create_directory(volume));
    const auto unwritten = striped.WriteFiles(dir.Dir());
    EXPECT_EQ(unwritten.status, CRecoveryEncoder::Status::WriteFailed);
    EXPECT_EQ(unwritten.failedPath, volume);
    std::filesystem::remove(volume);
    std::remove((dir / "film.002").c_str());
    const auto unread = striped.WriteFiles(dir.Dir());
    EXPECT_EQ(unread.status, CRecoveryEncoder::Status::ReadFailed);
    EXPECT_EQ(unread.failedPath, dir / "film.002");
}

TEST(Par2Packets, RefusesHostileAndForeignPackets)
{
    test::TempDir dir;
    const Pieces pieces(dir, 3 * 40000, 40000, 5);
    ASSERT_TRUE(Encode(dir, pieces, 1));
    const std::string index = test::ReadFile(dir / "_film.par2");
    Id setId;
    std::memcpy(setId.data(), index.data() + 32, 16);
    // Beside the bytes under test, a file holding nothing but a recovery
    // slice: a set is only read with slices that its files can hold.
    const std::string volume = test::ReadFile(dir / "_film.vol0+1.par2");
    const std::string slice = volume.substr(0, kRecvSlicHead + 20000);
    auto load = [&](const std::string& bytes) {
        MemorySource source(bytes.data(), bytes.size()), recovery(slice.data(), slice.size());
        CRecoverySet set;
        return set.LoadSources({{"x.par2", &source}, {"y.par2", &recovery}}, pieces.names);
    };
    // A set of its own that describes our first piece.
    auto mainWith = [&](std::uint64_t sliceSize, std::uint32_t files, std::uint64_t length = 40000) {
        std::string body;
        Put64(body, sliceSize);
        Put32(body, files);
        const Id fileId = Md5::Of("id", 2);
        body.append(reinterpret_cast<const char*>(fileId.data()), 16);
        const Id set = Md5::Of(body.data(), body.size());
        return MakePacket(set, PacketType::Main, body) +
               MakePacket(set, PacketType::FileDesc,
                          FileDescBody(fileId, fileId, fileId, length, "film.001")) +
               MakePacket(set, PacketType::Ifsc,
                          IfscBody(fileId, std::vector<SliceSum>(std::min<std::uint64_t>(
                                               (length + sliceSize - 1) / sliceSize, 40000))));
    };
    using Load = CRecoverySet::LoadStatus;
    std::string badMd5 = index;
    badMd5[20] ^= 1; // the first packet, Main, no longer matches its MD5
    std::string tooLong = index;
    tooLong[8 + 3] = 0x10; // Main claims 256 MiB more than the file holds
    const struct {
        const char* what;
        std::string bytes;
        Load expected;
    } cases[] = {
        {"as written", index, Load::Ok},
        {"behind garbage", test::RandomBytes(999, 3) + "PAR2" + index, Load::Ok},
        {"bad MD5", badMd5, Load::NoSet},
        {"length beyond the file", tooLong, Load::NoSet},
        {"truncated", index.substr(0, index.size() / 2), Load::Inconsistent},
        {"nothing of PAR2", test::RandomBytes(5000, 4), Load::NoSet},
        {"a magic at the very end", index + std::string("PAR2\0PKT", 8) + "xx", Load::Ok},
        // Sound packets whose numbers would ask for billions.
        {"billions of files", mainWith(20000, 2000000000u), Load::Inconsistent},
        {"absurd slice size", mainWith(std::uint64_t(1) << 60, 1), Load::Inconsistent},
        {"billions of slices", mainWith(4, 1, std::uint64_t(1) << 40), Load::Inconsistent},
        {"a slice larger than any file here", mainWith(std::uint64_t(1) << 30, 1), Load::Inconsistent},
        {"sound", mainWith(20000, 1), Load::Ok},
    };
    for (const auto& c : cases)
        EXPECT_EQ(load(c.bytes), c.expected) << c.what;
    const std::string noise = test::RandomBytes(5000, 4);
    MemorySource nothing(noise.data(), noise.size());
    CRecoverySet set;
    EXPECT_EQ(set.LoadSources({{"z.par2", &nothing}}, pieces.names), Load::NoPackets);
    // Another set beside ours that describes fewer of our pieces changes
    // nothing; a Main packet that claims our set ID without being its Main
    // packet is no Main packet.
    EXPECT_EQ(load(mainWith(4, 1) + index), Load::Ok);
    std::string body;
    Put64(body, 8);
    Put32(body, 0);
    EXPECT_EQ(load(MakePacket(setId, PacketType::Main, body) + index.substr(index.find("PAR2\0PKT", 8, 8))),
              Load::NoSet);
}

} // namespace
} // namespace portelan::par2
