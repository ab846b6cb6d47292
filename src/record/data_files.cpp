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
#include "data_packet_xml.h"
#include "tab_text.h"

namespace dmm {

namespace {

std::string extensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot)) return {};
    std::string ext(name.substr(dot));
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return ext;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Larger than any packet of the biggest table (ten million records take about 900 MB), so a
// device or pipe that never ends cannot eat all memory.
constexpr std::size_t kMaxPacketBytes = std::size_t{2} << 30;

// A whole file's bytes, read straight into storage that is not cleared first.
struct FileBytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::string_view view() const { return std::string_view(data.get(), size); }
};

// Reads a whole file; false with the reason when it cannot be read.
bool readWholeFile(const std::string& name, FileBytes& out, std::string& reason) {
    Fd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st{};
    if (::fstat(fd.get(), &st) == 0 && S_ISDIR(st.st_mode)) {
        reason = std::strerror(EISDIR);
        return false;
    }
    if (st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) > kMaxPacketBytes) {
        reason = std::strerror(EFBIG);
        return false;
    }
    // One byte more than the file's size, so that the end is seen without growing; a file that
    // grows meanwhile (or has no size, like a pipe) grows the buffer.
    std::size_t capacity = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 1 << 16;
    out.data = std::make_unique_for_overwrite<char[]>(capacity);
    out.size = 0;
    for (;;) {
        if (out.size == capacity) {
            capacity = std::min(capacity * 2, kMaxPacketBytes + 1);
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity);
            std::memcpy(bigger.get(), out.data.get(), out.size);
            out.data = std::move(bigger);
        }
        const ssize_t n = ::read(fd.get(), out.data.get() + out.size, capacity - out.size);
        if (n < 0) {
            if (errno == EINTR) continue;
            reason = std::strerror(errno);
            return false;
        }
        if (n == 0) return true;
        if (out.size + static_cast<std::size_t>(n) > kMaxPacketBytes) {
            reason = std::strerror(EFBIG);
            return false;
        }
        out.size += static_cast<std::size_t>(n);
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
    FileBytes bytes;
    std::string reason;
    if (!readWholeFile(fileName, bytes, reason)) return loadFailure(reason);
    // The packet's records go after the table's own, which are dropped only once the whole
    // packet has been read: a failed load leaves the table as it was, and a table emptied
    // before (or loaded into again) reuses its storage.
    const std::size_t before = table.size();
    bool ok;
    try {
        ok = readDataPacket(bytes.view(), table, &reason);
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
    Fd fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return loadFailure(std::strerror(errno));
    TabTextReader reader(table, fmt);
    std::string buf(std::size_t{1} << 20, '\0');
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return loadFailure(std::strerror(errno), reader.recordsAdded());
        }
        if (n == 0) break;
        if (!reader.feed(std::string_view(buf.data(), static_cast<std::size_t>(n)))) break;
    }
    if (!reader.finish()) return loadFailure(reader.failure(), reader.recordsAdded());
    LoadOutcome o;
    o.ok = true;
    o.recordsAdded = reader.recordsAdded();
    return o;
}

}  // namespace

DataFileFormat dataFileFormatOf(std::string_view fileName) {
    return extensionOf(fileName) == ".xml" ? DataFileFormat::Xml : DataFileFormat::Text;
}

SaveOutcome SaveTableToFile(const RecordTable& table, const std::string& fileName,
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

LoadOutcome LoadTableFromFile(const std::string& fileName, RecordTable& table, bool emptyFirst,
                              const LongTimeFormat& fmt) {
    const std::size_t before = table.size();
    try {
        if (emptyFirst) table.clear();
        if (dataFileFormatOf(fileName) == DataFileFormat::Xml) return loadXml(fileName, table);
        return loadText(fileName, table, fmt);
    } catch (const std::exception& e) {  // out of memory: what was read so far stays
        return loadFailure(e.what(), table.size() > before ? table.size() - before : 0);
    }
}

}  // namespace dmm
