// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Saves and loads a table of N records (default 1,000,000) in each data file format and compares
// the time with the floor: writing the same bytes with one plain write(), and reading them with
// one plain read(). Each of R rounds (default 5) times every measurement once, so that a
// measurement and its floor are taken close together on a machine whose speed drifts; printed
// are the best time of each and the median over the rounds of the ratio to its floor.
//
// usage: bench_data_files [N] [R] [DIR]

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data_files.h"
#include "data_packet_xml.h"
#include "recorder.h"
#include "tab_text.h"

namespace {

using Seconds = std::chrono::duration<double>;

template <typename F>
double timed(F f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return Seconds(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Times of one measurement over the rounds.
struct Series {
    std::vector<double> times;
    double best() const { return *std::min_element(times.begin(), times.end()); }
    double medianRatio(const Series& floor) const {
        std::vector<double> r;
        for (std::size_t i = 0; i < times.size(); ++i) r.push_back(times[i] / floor.times[i]);
        return median(r);
    }
};

// A run of a meter read four times a second: the reading wanders by a few counts between
// readings, over the whole display range, in four units and both couplings.
dmm::RecordTable makeTable(std::size_t n) {
    dmm::RecordTable table;
    dmm::FixedClock clock(dmm::kMsPerDay / 3);
    dmm::Recorder recorder(table, &clock);
    recorder.setRecordLimit(dmm::RecordLimitItem::Limitless);
    const char* units[] = {"mV", "V", "k*", "uA"};
    dmm::MeterReading r;
    long v = 0;
    unsigned seed = 1;
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        v = std::clamp(v + static_cast<long>((seed >> 16) % 41) - 20, -39999L, 39999L);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%ld.%03ld", v / 1000, std::labs(v % 1000));
        r.valueText = buf;
        r.unitText = units[(i / 5000) % 4];
        r.couplingText = (i / 20000) % 2 ? "AC" : "DC";
        r.rangeText = "AUTO";
        recorder.addReading(r, 0);
        clock.advance(250);
    }
    return table;
}

void plainWrite(const std::string& path, const std::string& bytes, bool sync) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror("write");
        std::exit(1);
    }
    if (sync) ::fsync(fd);
    ::close(fd);
}

void plainRead(const std::string& path, std::string& buf) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    const ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n != static_cast<ssize_t>(buf.size())) {
        std::perror("read");
        std::exit(1);
    }
    ::close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t n = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::string dir = argc > 3 ? argv[3] : "/tmp";
    const dmm::LongTimeFormat fmt("%H:%M:%S");
    const dmm::RecordTable table = makeTable(n);

    std::printf("%zu records, %d rounds (best time; median ratio to the floor), files in %s\n", n,
                runs, dir.c_str());
    for (const char* ext : {".txt", ".xml"}) {
        const std::string path = dir + "/bench_data_files" + ext;
        const std::string floorPath = path + ".floor";
        const std::string bytes = std::string(ext) == ".xml" ? dmm::dataPacket(table)
                                                             : dmm::tabText(table, fmt);

        std::string buf(bytes.size(), '\0');
        // Loads go into a new table each time, and into one table emptied and filled again (as
        // the floor reads into one buffer each time): the second takes no new memory.
        dmm::RecordTable reused;
        Series save, floorWrite, floorWriteSync, loadNew, load, floorRead;
        for (int r = 0; r < runs; ++r) {
            save.times.push_back(timed([&] {
                if (!dmm::saveDataFile(table, path, fmt).ok) std::exit(1);
            }));
            floorWrite.times.push_back(timed([&] { plainWrite(floorPath, bytes, false); }));
            floorWriteSync.times.push_back(timed([&] { plainWrite(floorPath, bytes, true); }));
            loadNew.times.push_back(timed([&] {
                dmm::RecordTable loaded;
                if (!dmm::loadDataFile(path, loaded, false, fmt).ok || loaded.size() != n) {
                    std::exit(1);
                }
            }));
            load.times.push_back(timed([&] {
                if (!dmm::loadDataFile(path, reused, true, fmt).ok || reused.size() != n) {
                    std::exit(1);
                }
            }));
            floorRead.times.push_back(timed([&] { plainRead(floorPath, buf); }));
        }
        std::printf("%s %6.1f MB  save %6.3f s  write floor %6.3f s (%5.2fx)  "
                    "write+fsync floor %6.3f s (%5.2fx)\n",
                    ext, bytes.size() / 1e6, save.best(), floorWrite.best(),
                    save.medianRatio(floorWrite), floorWriteSync.best(),
                    save.medianRatio(floorWriteSync));
        std::printf("%s %6.1f MB  load %6.3f s  read floor  %6.3f s (%5.2fx)  "
                    "into a new table %6.3f s (%5.2fx)\n",
                    ext, bytes.size() / 1e6, load.best(), floorRead.best(),
                    load.medianRatio(floorRead), loadNew.best(), loadNew.medianRatio(floorRead));
        ::unlink(path.c_str());
        ::unlink(floorPath.c_str());
    }
    return 0;
}
