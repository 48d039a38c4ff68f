#include "par2/Layout.h"

#include <algorithm>

#include "par2/Packets.h"
#include "platform/Platform.h"

namespace portelan::par2 {

namespace {

std::uint32_t Digits(std::uint32_t n)
{
    std::uint32_t digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

std::string Number(std::uint32_t n, std::uint32_t width)
{
    std::string text = std::to_string(n);
    if (text.size() < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

} // namespace

std::string PathIn(const std::string& dir, const std::string& name)
{
    if (dir.empty() || platform::IsPathSeparator(dir.back()))
        return dir + name;
    return dir + platform::PathSeparator() + name;
}

std::string VolumeName(const std::string& par2Base, std::uint32_t first, std::uint32_t count,
                       std::uint32_t firstWidth, std::uint32_t countWidth)
{
    return par2Base + ".vol" + Number(first, firstWidth) + "+" + Number(count, countWidth) + ".par2";
}

std::optional<RecoveryLayout> PlanRecovery(const std::string& par2Base, const std::vector<PieceSpec>& pieces,
                                           std::uint32_t recoveryPieces, const std::string& creator)
{
    if (pieces.empty() || pieces.size() > kMaxInputSlices || pieces[0].length <= 0)
        return std::nullopt;
    const std::int64_t pieceSize = pieces[0].length;
    std::int64_t descriptions =
        static_cast<std::int64_t>(MainPacketSize(pieces.size()) + CreatorPacketSize(creator));
    for (const PieceSpec& piece : pieces) {
        if (piece.length <= 0 || piece.length > pieceSize)
            return std::nullopt;
        descriptions += static_cast<std::int64_t>(FileDescPacketSize(piece.name) + IfscPacketSize(0));
    }
    for (std::uint64_t k = 2; k * pieces.size() <= kMaxInputSlices; ++k) {
        const std::int64_t sliceSize =
            ((pieceSize + static_cast<std::int64_t>(k) - 1) / static_cast<std::int64_t>(k) + 3) &
            ~std::int64_t(3);
        std::uint64_t inputSlices = 0;
        for (const PieceSpec& piece : pieces)
            inputSlices += static_cast<std::uint64_t>((piece.length + sliceSize - 1) / sliceSize);
        if (inputSlices > kMaxInputSlices)
            break;
        const std::int64_t critical = descriptions + 20 * static_cast<std::int64_t>(inputSlices);
        const std::int64_t perSlice = sliceSize + static_cast<std::int64_t>(kRecvSlicHead);
        if (critical + perSlice > pieceSize)
            continue;
        const std::uint32_t slicesPerPiece =
            static_cast<std::uint32_t>((pieceSize + sliceSize - 1) / sliceSize);
        const std::uint64_t perVolume = static_cast<std::uint64_t>((pieceSize - critical) / perSlice);
        RecoveryLayout layout;
        layout.sliceSize = sliceSize;
        layout.slicesPerPiece = slicesPerPiece;
        layout.inputSlices = static_cast<std::uint32_t>(inputSlices);
        const std::uint64_t recovery = std::uint64_t(recoveryPieces) * slicesPerPiece;
        if (recovery > 65535) // exponents are 16-bit in effect: c^e repeats after that
            return std::nullopt;
        layout.recoverySlices = static_cast<std::uint32_t>(recovery);
        layout.criticalBytes = critical;
        layout.files.push_back({par2Base + ".par2", 0, 0, critical});
        const std::uint32_t volumes = static_cast<std::uint32_t>((recovery + perVolume - 1) / perVolume);
        // par2cmdline pads the first exponents to the width of the total.
        const std::uint32_t firstWidth = Digits(static_cast<std::uint32_t>(recovery));
        const std::uint32_t countWidth =
            Digits(static_cast<std::uint32_t>(std::min<std::uint64_t>(perVolume, recovery)));
        for (std::uint32_t v = 0; v < volumes; ++v) {
            const std::uint32_t first = static_cast<std::uint32_t>(v * perVolume);
            const std::uint32_t count =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(perVolume, recovery - first));
            layout.files.push_back({VolumeName(par2Base, first, count, firstWidth, countWidth), first, count,
                                    critical + perSlice * count});
        }
        for (const RecoveryFile& file : layout.files)
            layout.totalBytes += file.bytes;
        return layout;
    }
    return std::nullopt;
}

} // namespace portelan::par2
