// dmmcli convert IN OUT: reads a data file and writes it in the format of OUT's extension
// (".xml" the XML data packet, anything else TAB text), through the window's own load and save.

#include <cstdio>
#include <string>

#include "commands.h"
#include "data_files.h"
#include "record_table.h"

int runConvert(const QStringList& args) {
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) ||
        args[1].startsWith(QLatin1String("--"))) {
        std::fputs("usage: dmmcli convert IN OUT\n", stderr);
        return 2;
    }
    const std::string in = args[0].toStdString();
    const std::string out = args[1].toStdString();

    dmm::RecordTable table;
    const dmm::LoadOutcome loaded = dmm::LoadTableFromFile(in, table, false);
    if (!loaded.ok) {
        std::fprintf(stderr, "dmmcli convert: %s %s: %s\n", loaded.message.text.c_str(),
                     in.c_str(), loaded.reason.c_str());
        return 1;
    }
    const dmm::SaveOutcome saved = dmm::SaveTableToFile(table, out);
    if (!saved.ok) {
        std::fprintf(stderr, "dmmcli convert: %s (%s)\n", saved.message.text.c_str(),
                     saved.reason.c_str());
        return 1;
    }
    std::fprintf(stderr, "dmmcli convert: %zu records from %s to %s\n", table.size(), in.c_str(),
                 out.c_str());
    return 0;
}
