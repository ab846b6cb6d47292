#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

#include "reading_state.h"

namespace dmm {

// A simulated meter for --demo: a pseudo-terminal whose slave side the window opens as COM1,
// and a timer that writes the frames of a slowly swinging DC voltage to the master side.
class DemoMeter : public QObject {
    Q_OBJECT
public:
    // Opens the pseudo-terminal and starts writing; nothing and a reason on failure.
    static std::unique_ptr<DemoMeter> start(Family family, QString* error, int rateHz = 5);
    ~DemoMeter() override;

    const QString& portPath() const { return path_; }
    long framesWritten() const { return frames_; }

    // The display of reading number n of the sweep (volts with four decimals).
    static double demoVolts(long n);

private:
    DemoMeter(Family family, int master, int slave, QString path, int rateHz);
    void writeFrame();

    Family family_;
    int master_;
    int slave_;
    QString path_;
    QTimer timer_;
    long frames_ = 0;
};

}  // namespace dmm
