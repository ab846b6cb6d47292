// dmmcli convert IN OUT: reads a data file and writes it in the format of OUT's extension
// (".xml" the XML data packet, anything else TAB text), through the window's own load and save.

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "commands.h"
#include "cli_session.h"
#include "data_files.h"
#include "record_table.h"
#include "tab_text.h"

namespace dmm {

namespace {

bool hasExtension(std::string_view name, std::string_view ext) {
    if (name.size() <= ext.size()) return false;
    const std::string_view tail = name.substr(name.size() - ext.size());
    for (std::size_t i = 0; i < ext.size(); ++i) {
        const char c =
            tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
        if (c != ext[i]) return false;
    }
    return true;
}

// The window takes the first line of a TAB text as its header whatever it holds; a file whose
// first line is something else is no recording of this program (an XML packet renamed, say), and
// converting it would give an empty table. Empty when the first line is the header.
std::string notATabText(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    const std::string_view header = kTabHeaderLine;  // with its CR LF
    std::string first(header.size(), '\0');
    std::size_t have = 0;
    while (have < first.size()) {
        const ssize_t n = ::read(fd, first.data() + have, first.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            return std::strerror(e);
        }
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    ::close(fd);
    first.resize(have);
    const std::string_view titles = header.substr(0, header.size() - 2);
    const std::string_view got = first;
    // The header ends with CR LF as written, or with LF or CR alone, or the file ends there.
    if (got.substr(0, titles.size()) == titles &&
        (got.size() == titles.size() || got[titles.size()] == '\r' || got[titles.size()] == '\n')) {
        return {};
    }
    return "the first line is not the header No, Time, DC/AC, Value, Unit, Auto";
}

}  // namespace

int runConvert(const QStringList& args) {
    if (args.size() != 2 || args[0].startsWith(QLatin1String("--")) ||
        args[1].startsWith(QLatin1String("--"))) {
        std::fputs("dmmcli convert: wants two file names, IN and OUT\n", stderr);
        return 2;
    }
    const std::string in = QFile::encodeName(args[0]).toStdString();
    const std::string out = QFile::encodeName(args[1]).toStdString();
    const std::string inShown = printable(in);

    const bool xml = hasExtension(in, ".xml");
    if (!xml && !hasExtension(in, ".xls") && !hasExtension(in, ".txt")) {
        std::fprintf(
            stderr,
            "dmmcli convert: cannot convert %s: the extension is none of .xml, .xls, .txt\n",
            inShown.c_str());
        return 2;
    }
    if (!xml) {
        if (const std::string why = notATabText(in); !why.empty()) {
            std::fprintf(stderr, "dmmcli convert: cannot convert %s: %s\n", inShown.c_str(),
                         printable(why).c_str());
            return 1;
        }
    }

    RecordTable table;
    const LoadOutcome loaded = loadDataFile(in, table, false);
    if (!loaded.ok) {
        std::fprintf(stderr, "dmmcli convert: %s %s: %s\n", loaded.message.text.c_str(),
                     inShown.c_str(), printable(loaded.reason).c_str());
        return 1;
    }
    const SaveOutcome saved = saveDataFile(table, out);
    if (!saved.ok) {
        std::fprintf(stderr, "dmmcli convert: %s (%s)\n", printable(saved.message.text).c_str(),
                     printable(saved.reason).c_str());
        return 1;
    }
    std::fprintf(stderr, "dmmcli convert: %zu records from %s to %s\n", table.size(),
                 inShown.c_str(), printable(out).c_str());
    return 0;
}

}  // namespace dmm
