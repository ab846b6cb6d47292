// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Arbitrary bytes through the XML data packet reader (the first byte sets how the streamed
// reading below is cut; the seeds start with one). Whatever it accepts must survive being
// written and read again unchanged: the second packet equals the first, and the table's TAB
// text reads back to the same TAB text. Read from a source a few bytes at a time through a
// narrow window (its width from the input), able to start again from the first byte, the same
// bytes must give the same verdict and the same records as read whole.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "data_packet_xml.h"
#include "tab_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t block = 16 + (data[0] % 64) * 16;
    const std::size_t piece = 1 + data[0] % 37;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    dmm::RecordTable table;
    const bool ok = dmm::readDataPacket(bytes, table);

    std::size_t at = 0;
    const dmm::ByteSource source = [&](char* to, std::size_t room) {
        const std::size_t n = std::min({room, piece, bytes.size() - at});
        std::memcpy(to, bytes.data() + at, n);
        at += n;
        return static_cast<std::ptrdiff_t>(n);
    };
    const dmm::Rewind rewind = [&] {
        at = 0;
        return true;
    };
    dmm::RecordTable streamed;
    if (dmm::readDataPacket(source, streamed, nullptr, block, rewind) != ok) std::abort();
    if (!ok) return 0;

    const std::string first = dmm::dataPacket(table);
    if (dmm::dataPacket(streamed) != first) std::abort();
    dmm::RecordTable again;
    if (!dmm::readDataPacket(first, again)) std::abort();
    if (dmm::dataPacket(again) != first) std::abort();

    static const dmm::LongTimeFormat format("%H:%M:%S");
    const std::string text = dmm::tabText(table, format);
    dmm::RecordTable fromText;
    if (!dmm::readTabText(text, fromText, format)) std::abort();
    if (dmm::tabText(fromText, format) != text) std::abort();
    return 0;
}
