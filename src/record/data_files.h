#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "long_time_format.h"
#include "message.h"
#include "record_table.h"

namespace dmm {

enum class DataFileFormat { Text, Xml };

// ".xml" in any case means the XML data packet; every other extension (".xls", ".txt", none)
// means TAB text.
DataFileFormat dataFileFormatOf(std::string_view fileName);

inline constexpr std::string_view kLoadFailedText = "Failed to Load File!";

struct SaveOutcome {
    bool ok = false;
    Message message;     // to show: the success message, or the failure
    std::string reason;  // the system's reason on failure
};

struct LoadOutcome {
    bool ok = false;
    std::size_t recordsAdded = 0;
    std::size_t textsCut = 0;  // texts longer than a field keeps, cut to its 20 characters
    Message message;     // to show on failure; nothing is shown on success
    std::string reason;  // what went wrong, for logs and dmmcli
};

// Writes the table to `fileName` in the format its extension chooses. The file is replaced
// only when all of it has been written and flushed; on any failure an existing file keeps its
// old contents. Success: "Save table to specified file: NAME Scuss!" (Information).
// Failure, text: "Could not save table to specified file: NAME" (Error); failure, XML:
// "Cannot create file "NAME". REASON" (Error). Never throws: running out of memory is a failed
// save like any other.
SaveOutcome saveDataFile(const RecordTable& table, const std::string& fileName,
                         const LongTimeFormat& fmt = LongTimeFormat::fromLocale());

// Reads a data file into the table. XML replaces all records with the packet's rows and
// switches change logging on; a packet that cannot be read (or one over 2 GiB) leaves the
// table exactly as it was. TAB text appends one record per line after the header; the first
// line that cannot be read stops the load, and the records of the lines before it stay. Any failure gives
// "Failed to Load File!" (Error). `emptyFirst` empties the table before reading. Never throws:
// running out of memory is a failed load like any other.
LoadOutcome loadDataFile(const std::string& fileName, RecordTable& table, bool emptyFirst,
                         const LongTimeFormat& fmt = LongTimeFormat::fromLocale());

}  // namespace dmm
