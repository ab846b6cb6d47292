#pragma once

#include <QStringList>

#include <cstddef>
#include <string>

#include "record_table.h"

namespace dmm {

// What convert and report share: IN and OUT read from the command line and checked, and IN
// loaded into a table.

// IN and OUT as the file system takes them.
struct DataFileNames {
    std::string in;
    std::string out;
};

// Reads "IN OUT" after the command's name and checks them before anything is read or written:
// IN is a data file by its extension (.xml, .xls or .txt, in any case) and, as TAB text,
// begins with the header line; OUT is not "-" and not the file IN is (by any name). Says why
// not and returns the exit status to end with: 2 for names refused, 1 for an IN that is no data
// file of this program. Returns 0 when both are good.
int readDataFileNames(const char* command, const QStringList& args, DataFileNames& names);

// Loads IN into `table`. Says why not and returns false; says how many texts were cut to the
// 20 characters a field keeps, if any.
bool loadDataFileSaying(const char* command, const std::string& in, RecordTable& table);

// "1 record", "2 records".
std::string recordCount(std::size_t n);

}  // namespace dmm
