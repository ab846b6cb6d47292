#include "data_file_command.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_options.h"
#include "cli_session.h"
#include "data_files.h"
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

// Whether two paths name one file (through a link, "./", another hard link); two names of which
// one does not exist yet are two files.
bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

int readDataFileNames(const char* command, const QStringList& args, DataFileNames& names) {
    // No options: one given is refused as a wrong number of names is.
    CommandLine line(QStringLiteral("unknown argument '%1'"));
    const bool parsed = line.parse(args).isEmpty();
    const QStringList files = parsed ? line.positionalArguments() : QStringList();
    if (files.size() != 2) {
        say(command, "wants two file names, IN and OUT");
        return 2;
    }
    names.in = QFile::encodeName(files[0]).toStdString();
    names.out = QFile::encodeName(files[1]).toStdString();
    // The other commands read "-" as standard input; here it would make a file named "-".
    if (names.out == "-") {
        say(command, "OUT - would be a file named -; give a file name (./- for that name)");
        return 2;
    }
    const std::string verb = std::string("cannot ") + command + " " + names.in + ": ";
    if (!hasExtension(names.in, ".xml") && !hasExtension(names.in, ".xls") &&
        !hasExtension(names.in, ".txt")) {
        say(command, verb + "the extension is none of .xml, .xls, .txt");
        return 2;
    }
    if (sameFile(names.in, names.out)) {
        say(command, "OUT " + names.out + " is the same file as IN; nothing is written");
        return 2;
    }
    if (!hasExtension(names.in, ".xml")) {
        if (const std::string why = notATabText(names.in); !why.empty()) {
            say(command, verb + why);
            return 1;
        }
    }
    return 0;
}

bool loadDataFileSaying(const char* command, const std::string& in, RecordTable& table) {
    const LoadOutcome loaded = loadDataFile(in, table, false);
    if (!loaded.ok) {
        say(command, loaded.message.text + " " + in + ": " + loaded.reason);
        return false;
    }
    if (loaded.textsCut > 0) {
        say(command, std::to_string(loaded.textsCut) +
                         (loaded.textsCut == 1 ? " text was" : " texts were") +
                         " longer than the 20 characters a field keeps, and cut");
    }
    return true;
}

std::string recordCount(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " record" : " records");
}

}  // namespace dmm
