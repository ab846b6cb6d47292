#include "data_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>

#include "atomic_file.h"
#include "block_reader.h"
#include "data_packet_xml.h"
#include "tab_text.h"
#include "text_codec.h"

namespace dmm {

namespace {

std::string_view extensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot))
        return {};
    return name.substr(dot);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(Fd&& o) noexcept {
        std::swap(fd_, o.fd_);
        return *this;
    }
    int get() const { return fd_; }

private:
    int fd_;
};

// Opens a data file for reading; false with the reason when it cannot be read.
bool openForReading(const std::string& name, Fd& fd, std::string& reason) {
    fd = Fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st{};
    if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode)) {
        reason = std::strerror(EISDIR);
        return false;
    }
    return true;
}

// Reads what the file has next, going on after a signal.
std::ptrdiff_t readSome(int fd, char* to, std::size_t room) {
    for (;;) {
        const ssize_t n = ::read(fd, to, room);
        if (n >= 0 || errno != EINTR) return n;
    }
}

LoadOutcome loadFailure(std::string reason, std::size_t added = 0) {
    LoadOutcome o;
    o.ok = false;
    o.recordsAdded = added;
    o.message = error(std::string(kLoadFailedText));
    o.reason = std::move(reason);
    return o;
}

LoadOutcome loadXml(const std::string& fileName, RecordTable& table) {
    Fd fd(-1);
    std::string reason;
    if (!openForReading(fileName, fd, reason)) return loadFailure(reason);
    const ByteSource source = [&fd](char* to, std::size_t room) {
        return readSome(fd.get(), to, room);
    };
    // A file can be read again from its start (when it says it is UTF-8 and turns out late
    // not to be); a pipe cannot.
    struct stat st{};
    const bool regular = ::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode);
    const Rewind rewind = [&fd] { return ::lseek(fd.get(), 0, SEEK_SET) == 0; };
    // The packet's records go after the table's own, which are dropped only once the whole
    // packet has been read: a failed load leaves the table as it was, and a table emptied
    // before (or loaded into again) reuses its storage.
    const std::size_t before = table.size();
    bool ok;
    try {
        ok = readDataPacket(source, table, &reason, std::size_t{256} << 10,
                            regular ? rewind : Rewind());
    } catch (...) {
        table.truncate(before);
        throw;
    }
    if (!ok) {
        table.truncate(before);
        return loadFailure(reason);
    }
    table.eraseFront(before);
    LoadOutcome o;
    o.ok = true;
    o.recordsAdded = table.size();
    return o;
}

LoadOutcome loadText(const std::string& fileName, RecordTable& table, const LongTimeFormat& fmt) {
    Fd fd(-1);
    std::string reason;
    if (!openForReading(fileName, fd, reason)) return loadFailure(reason);
    TabTextReader reader(table, fmt);
    // A block small enough to stay in the processor's cache while it is read.
    constexpr std::size_t kBlock = std::size_t{256} << 10;
    struct stat st{};
    if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode)) {
        // A file is read, and its line stops found, on a second thread while the lines of
        // the block before are read into the table. (Not for pipes and devices: a read that
        // waits for a writer would keep the load from ending.)
        using Reader = BlockReader<TabTextReader::LineStops>;
        Reader blocks(
            fd.get(), kBlock,
            [](std::string_view bytes, TabTextReader::LineStops& stops) { stops.find(bytes); });
        for (;;) {
            const Reader::Block& b = blocks.next();
            if (b.error != 0) return loadFailure(std::strerror(b.error), reader.recordsAdded());
            if (b.bytes.empty() || !reader.feed(b.bytes, &b.prepared)) break;
        }
    } else {
        std::string buf(kBlock, '\0');
        for (;;) {
            const std::ptrdiff_t n = readSome(fd.get(), buf.data(), buf.size());
            if (n < 0) return loadFailure(std::strerror(errno), reader.recordsAdded());
            if (n == 0) break;
            if (!reader.feed(std::string_view(buf.data(), static_cast<std::size_t>(n)))) break;
        }
    }
    if (!reader.finish()) return loadFailure(reader.failure(), reader.recordsAdded());
    LoadOutcome o;
    o.ok = true;
    o.recordsAdded = reader.recordsAdded();
    return o;
}

}  // namespace

DataFileFormat dataFileFormatOf(std::string_view fileName) {
    return equalsIgnoringCase(extensionOf(fileName), ".xml") ? DataFileFormat::Xml
                                                                : DataFileFormat::Text;
}

SaveOutcome saveDataFile(const RecordTable& table, const std::string& fileName,
                         const LongTimeFormat& fmt) {
    SaveOutcome o;
    const bool xml = dataFileFormatOf(fileName) == DataFileFormat::Xml;
    try {
        // Made a block at a time while writing, so the file's text is never whole in memory.
        o.ok = writeFileAtomically(
            fileName,
            [&](const ByteSink& sink) {
                return xml ? writeDataPacket(table, sink) : writeTabText(table, fmt, sink);
            },
            &o.reason);
    } catch (const std::exception& e) {  // no memory for the file's text
        o.ok = false;
        o.reason = e.what();
    }
    if (o.ok) {
        o.message = information("Save table to specified file: " + fileName + " Scuss!");
    } else if (xml) {
        o.message = error("Cannot create file \"" + fileName + "\". " + o.reason);
    } else {
        o.message = error("Could not save table to specified file: " + fileName);
    }
    return o;
}

LoadOutcome loadDataFile(const std::string& fileName, RecordTable& table, bool emptyFirst,
                         const LongTimeFormat& fmt) {
    const std::size_t before = table.size();
    try {
        if (emptyFirst) table.clear();
        const std::size_t cutBefore = table.textsCut();
        LoadOutcome o = dataFileFormatOf(fileName) == DataFileFormat::Xml
                            ? loadXml(fileName, table)
                            : loadText(fileName, table, fmt);
        o.textsCut = table.textsCut() - cutBefore;
        return o;
    } catch (const std::exception& e) {  // out of memory: what was read so far stays
        return loadFailure(e.what(), table.size() > before ? table.size() - before : 0);
    }
}

}  // namespace dmm
