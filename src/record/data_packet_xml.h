#pragma once

#include <string>
#include <string_view>

#include "output_buffer.h"
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

// Reads a data packet into `table`, which must be empty; on success the table holds the
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

}  // namespace dmm
