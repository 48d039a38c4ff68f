// A PAR2 file as the joiners find it beside a set: any bytes, scanned for
// packets and loaded as the recovery set of eight pieces. Sound packets lie
// within the file, one after another; whatever the bytes claim, the reader
// keeps no more than they hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "par2/Packets.h"
#include "par2/RecoverySet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace portelan::par2;
    MemorySource source(data, size);
    std::int64_t end = 0;
    const bool read = ScanPackets(source, [&](Packet&& packet) {
        if (packet.offset < end || packet.length < kHeaderSize || packet.length % 4 ||
            packet.offset + static_cast<std::int64_t>(packet.length) > static_cast<std::int64_t>(size))
            __builtin_trap();
        end = packet.offset + static_cast<std::int64_t>(packet.length);
    });
    if (!read)
        __builtin_trap();

    std::vector<std::string> names;
    for (int j = 1; j <= 8; ++j)
        names.push_back("film.00" + std::to_string(j));
    CRecoverySet set;
    if (set.LoadSources({{"fuzz.par2", &source}}, names) == CRecoverySet::LoadStatus::Ok &&
        (set.InputSlices() > kMaxInputSlices || set.RecoverySlices() > size / kRecvSlicHead))
        __builtin_trap();
    return 0;
}
