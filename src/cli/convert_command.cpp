// dmmcli convert IN OUT: reads a data file and writes it in the format of OUT's extension
// (".xml" the XML data packet, anything else TAB text), through the window's own load and save.

#include <cstdio>
#include <string>

#include "cli_session.h"
#include "commands.h"
#include "data_file_command.h"
#include "data_files.h"
#include "record_table.h"

namespace dmm {

int runConvert(const QStringList& args) {
    DataFileNames names;
    if (const int status = readDataFileNames("convert", args, names); status != 0) return status;
    RecordTable table;
    if (!loadDataFileSaying("convert", names.in, table)) return 1;
    const SaveOutcome saved = saveDataFile(table, names.out);
    if (!saved.ok) {
        say("convert", saved.message.text + " (" + saved.reason + ")");
        return 1;
    }
    say("convert", recordCount(table.size()) + " from " + names.in + " to " + names.out);
    return 0;
}

}  // namespace dmm
