#include "demo_meter.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "frame_encoder.h"

namespace dmm {

std::unique_ptr<DemoMeter> DemoMeter::start(Family family, QString* error, int rateHz) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<DemoMeter>(
        new DemoMeter(family, master, slave, QString::fromLocal8Bit(name), rateHz));
}

DemoMeter::DemoMeter(Family family, int master, int slave, QString path, int rateHz)
    : family_(family), master_(master), slave_(slave), path_(std::move(path)) {
    connect(&timer_, &QTimer::timeout, this, &DemoMeter::writeFrame);
    timer_.start(1000 / std::max(1, rateHz));
}

DemoMeter::~DemoMeter() {
    timer_.stop();
    ::close(slave_);
    ::close(master_);
}

double DemoMeter::demoVolts(long n) {
    // A swing of +-3 V over 20 s at 5 frames a second, with a little ripple.
    return 3.0 * std::sin(static_cast<double>(n) * 0.0628) + 0.2 * std::sin(static_cast<double>(n) * 0.9);
}

void DemoMeter::writeFrame() {
    const double volts = demoVolts(frames_);
    MeterDisplay d;
    const int digits = displayDigits(family_);
    const int decimals = digits - 1;
    const long counts = std::lround(std::fabs(volts) * std::pow(10.0, decimals));
    std::string text = std::to_string(counts);
    if (static_cast<int>(text.size()) < digits) text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    d.digits = text.substr(0, static_cast<std::size_t>(digits));
    d.decimals = decimals;
    d.negative = volts < 0;
    d.unit = "V";
    d.coupling = "DC";
    d.autoRange = true;
    std::string bytes;
    if (!encodeFrame(family_, d, bytes)) {
        d.autoRange = false;
        d.coupling.clear();
        if (!encodeFrame(family_, d, bytes)) return;
    }
    // A full pseudo-terminal (nobody reading) must not stall the window: drop the frame then.
    const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    if (n > 0) ++frames_;
}

}  // namespace dmm
