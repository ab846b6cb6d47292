// Arbitrary bytes through the XML data packet reader. Whatever it accepts must survive being
// written and read again unchanged: the second packet equals the first.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data_packet_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    dmm::RecordTable table;
    if (!dmm::readDataPacket(bytes, table)) return 0;
    const std::string first = dmm::dataPacket(table);
    dmm::RecordTable again;
    if (!dmm::readDataPacket(first, again)) std::abort();
    if (dmm::dataPacket(again) != first) std::abort();
    return 0;
}
