// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Arbitrary bytes through the TAB text reader, fed in blocks whose sizes come from the input so
// that line ends (CR LF above all) fall across blocks. Reading the same bytes in one piece must
// give the same records, compared through the text writer. A table that loads must save and
// load back to the same table in both formats.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data_packet_xml.h"
#include "tab_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t block = 1 + data[0] % 64;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    static const dmm::LongTimeFormat format("%H:%M:%S");
    dmm::RecordTable table;
    dmm::TabTextReader reader(table, format);
    for (std::size_t at = 0; at < bytes.size(); at += block) {
        if (!reader.feed(bytes.substr(at, block))) break;
    }
    reader.finish();

    // One piece at a time gives the same records as blocks.
    dmm::RecordTable whole;
    const bool ok = dmm::readTabText(bytes, whole, format);
    const std::string text = dmm::tabText(whole, format);
    if (dmm::tabText(table, format) != text) std::abort();
    if (!ok) return 0;

    dmm::RecordTable fromText;
    if (!dmm::readTabText(text, fromText, format)) std::abort();
    if (dmm::tabText(fromText, format) != text) std::abort();
    const std::string packet = dmm::dataPacket(whole);
    dmm::RecordTable fromPacket;
    if (!dmm::readDataPacket(packet, fromPacket)) std::abort();
    if (dmm::dataPacket(fromPacket) != packet || dmm::tabText(fromPacket, format) != text) std::abort();
    return 0;
}
