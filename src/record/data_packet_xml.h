// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "byte_sink.h"
#include "record_table.h"

namespace dmm {

// The XML data packet: one line of Windows-1252 text, no line break, no encoding declaration.
// The declaration and two blanks, DATAPACKET with METADATA (the six FIELD elements and PARAMS)
// and ROWDATA with one ROW per record. ROW attributes are named after the fields, so one is
// "DC/AC" - not a valid XML name, which is why this format has a reader of its own. Records
// appended while the change log is on carry RowState="4", and PARAMS then lists the log in
// CHANGE_LOG.
void appendDataPacket(std::string& out, const RecordTable& table);
std::string dataPacket(const RecordTable& table);
// The same bytes passed to `sink` a block at a time; false (and stops) when the sink refuses.
bool writeDataPacket(const RecordTable& table, const ByteSink& sink);

// Larger than any packet of the biggest table (ten million records take about 900 MB), so a
// device or pipe that never ends (of blanks, say) cannot keep a load going for ever.
inline constexpr std::size_t kMaxPacketBytes = std::size_t{2} << 30;

// Gives the next bytes of an input: fills at most `room` bytes at `to` and returns how many,
// 0 at the end, or -1 (with errno set) when the input cannot be read.
using ByteSource = std::function<std::ptrdiff_t(char* to, std::size_t room)>;
// Takes an input back to its first byte, so that it can be read again; false when it cannot.
using Rewind = std::function<bool()>;

// Reads a data packet into `table`, after the records it holds; on success the table holds the
// packet's rows with their row states and change log, and change logging is on. Accepts what
// appendDataPacket writes and the usual variants: no declaration, a UTF-8 byte-order mark or
// encoding="UTF-8" declaration (the text is then UTF-8, else Windows-1252), DATAPACKET left
// out, attributes in any order, single or double quotes, comments between elements, other
// field types, numeric character references, FIELD and ROW written with end tags.
//
// The six table fields must be among the packet's fields (names compared without regard to
// case) with a matching kind: an integer type for No, "time" for Time, a text type for the
// others. Time values outside a day (hours over 23, minutes or seconds over 59) are refused, and
// so are packets of more than 256 fields. The reader never recurses, and its work grows
// linearly with the input. Returns false with a reason in
// `failure` when the packet cannot be read; `table` then holds an unspecified part of the rows.
bool readDataPacket(std::string_view bytes, RecordTable& table, std::string* failure = nullptr);
// The same, reading the packet from `source` a block of about `block` bytes at a time. Only a
// window of the input and the element being read are in memory at once, whatever the input
// holds: blanks between elements and inside tags, comments, and whatever follows the packet
// pass through without being kept. Whether a text declared as UTF-8 is UTF-8 is found out
// while reading; when it turns out not to be after a text that depends on it was read, the
// input is read again from its start through `rewind` (without one, the load fails). A packet
// of more than kMaxPacketBytes is refused.
bool readDataPacket(const ByteSource& source, RecordTable& table, std::string* failure = nullptr,
                    std::size_t block = std::size_t{256} << 10, const Rewind& rewind = nullptr);

}  // namespace dmm
