// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Peak resident memory and time of loading XML data packets that are mostly junk: 200 MB of
// blanks, a valid 10-record packet followed by 1 GB of NUL bytes, and a sparse file of 2 GB of
// NUL bytes. Each load runs in a child process of its own, whose peak resident set the system
// reports; its time is set against a plain read of the same file in blocks of the reader's size,
// taken in the same round (best times, and the median over the rounds of the ratio).
//
// usage: bench_xml_junk [DIR [ROUNDS]]     (the files go to DIR, /tmp by default, and are removed)

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data_files.h"
#include "data_packet_xml.h"
#include "record_table.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

bool writeAllTo(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// `head`, then `run` bytes of `fill` (written out, or left as a hole when sparse).
bool makeFile(const std::string& path, const std::string& head, long long run, char fill, bool sparse) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || !writeAllTo(fd, head)) return false;
    bool ok = true;
    if (sparse) {
        ok = ::ftruncate(fd, static_cast<off_t>(head.size() + run)) == 0;
    } else {
        const std::string block(std::size_t{1} << 20, fill);
        for (long long left = run; ok && left > 0; left -= static_cast<long long>(block.size())) {
            ok = writeAllTo(fd, block.substr(0, static_cast<std::size_t>(std::min<long long>(left, block.size()))));
        }
    }
    return ::close(fd) == 0 && ok;
}

double plainRead(const std::string& path) {
    const auto t = Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> buf(std::size_t{256} << 10);
    while (::read(fd, buf.data(), buf.size()) > 0) {
    }
    ::close(fd);
    return secondsSince(t);
}

struct ChildRun {
    double seconds = 0;
    long peakKb = 0;
    bool loaded = false;
};

// Loads the file in a child; its time comes back through a pipe, its peak resident set from
// wait4.
ChildRun loadInChild(const std::string& path) {
    int fds[2];
    if (::pipe(fds) != 0) std::exit(2);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        dmm::RecordTable table;
        const auto t = Clock::now();
        const bool ok = dmm::loadDataFile(path, table, false).ok;
        const double s = secondsSince(t);
        ::write(fds[1], &s, sizeof s);
        ::_exit(ok ? 0 : 1);
    }
    ::close(fds[1]);
    ChildRun run;
    ::read(fds[0], &run.seconds, sizeof run.seconds);
    ::close(fds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.peakKb = usage.ru_maxrss;
    run.loaded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

    dmm::RecordTable ten;
    for (int i = 1; i <= 10; ++i) {
        dmm::RecordValues v;
        v.no = i;
        v.timeMs = i * 1000;
        v.text = {"DC", "1.234", "V", "AUTO"};
        ten.append(v);
    }
    const std::string packet = dmm::dataPacket(ten);

    struct Case {
        const char* what;
        std::string file;
        std::string head;
        long long run;
        char fill;
        bool sparse;
    } cases[] = {
        {"200 MB of blanks", dir + "/bench_junk_blanks.xml", "", 200000000, ' ', false},
        {"10-record packet + 1 GB of NUL bytes", dir + "/bench_junk_packet_nuls.xml", packet,
         1000000000, '\0', true},
        {"sparse 2 GB of NUL bytes", dir + "/bench_junk_sparse.xml", "", 2000000000, '\0', true},
    };
    const ChildRun idle = loadInChild("/nonexistent.xml");
    std::printf("peak resident set of a load that reads nothing: %.1f MB\n", idle.peakKb / 1024.0);
    int status = 0;
    for (const Case& c : cases) {
        if (!makeFile(c.file, c.head, c.run, c.fill, c.sparse)) {
            std::fprintf(stderr, "cannot write %s\n", c.file.c_str());
            return 2;
        }
        double bestLoad = 1e9;
        double bestRead = 1e9;
        long peakKb = 0;
        bool loaded = false;
        std::vector<double> ratios;
        for (int r = 0; r < rounds; ++r) {
            const double read = plainRead(c.file);
            const ChildRun run = loadInChild(c.file);
            bestRead = std::min(bestRead, read);
            bestLoad = std::min(bestLoad, run.seconds);
            ratios.push_back(run.seconds / read);
            peakKb = std::max(peakKb, run.peakKb);
            loaded = run.loaded;
        }
        ::unlink(c.file.c_str());
        std::sort(ratios.begin(), ratios.end());
        std::printf("%-40s peak resident %6.1f MB, load %.3f s, plain read %.3f s (median %.2fx), %s\n",
                    c.what, peakKb / 1024.0, bestLoad, bestRead, ratios[ratios.size() / 2],
                    loaded ? "loads" : "refused");
        if (peakKb > 64 * 1024) status = 1;
    }
    return status;
}
