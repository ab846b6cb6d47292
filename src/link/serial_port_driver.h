#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "port_name_table.h"

class QSerialPort;

// The line settings ApplyPortSettings last wrote to the port, in the driver's own terms.
struct SerialLineSettings {
    std::int32_t baudRate = 0;
    int dataBits = 0;       // 5 to 8
    char parity = 'N';      // 'N' none, 'O' odd, 'E' even, 'M' mark, 'S' space
    int stopBits = 10;      // tenths of a bit: 10, 15 or 20
    bool rtsCts = false;    // hardware flow control
    bool xonXoff = false;   // software flow control
    bool dtrOn = false;     // DTR raised while open
    bool rtsOn = false;     // RTS raised (held off without hardware flow control)
    int xonLimit = 0;       // receive queue low mark, a quarter of the input buffer
    int xoffLimit = 0;
    int inputQueue = 0;     // bytes the port may hold between two polls
    int outputQueue = 0;
};

// Receives bytes from a serial port: opens the device behind COM1..COM4 with fixed line
// settings, polls it on a timer of the thread that owns the driver (the UI thread), and hands
// every block that has arrived to OnReceiveData. The driver never sends.
//
// Each poll takes at most ComPortInBufSize bytes into the one ReceiveBuffer and never waits for
// more. A device that goes away while open (an adapter pulled out) makes reads fail quietly;
// the driver stays open until ClosePort, and a later OpenPort finds the device again. With
// setReconnect(true) the driver itself waits for a device to appear again at the same path and
// reopens it with the same settings, so that polling delivers its bytes as before.
class TSerialPortDriver : public QObject {
    Q_OBJECT
    Q_PROPERTY(TComPortNumber ComPort READ ComPort WRITE setComPort)
    Q_PROPERTY(TComPortBaudRate ComPortSpeed READ ComPortSpeed WRITE setComPortSpeed)
    Q_PROPERTY(TComPortDataBits ComPortDataBits READ ComPortDataBits WRITE setComPortDataBits)
    Q_PROPERTY(TComPortStopBits ComPortStopBits READ ComPortStopBits WRITE setComPortStopBits)
    Q_PROPERTY(TComPortParity ComPortParity READ ComPortParity WRITE setComPortParity)
    Q_PROPERTY(TComPortHwHandshaking ComPortHwHandshaking READ ComPortHwHandshaking WRITE
                   setComPortHwHandshaking)
    Q_PROPERTY(TComPortSwHandshaking ComPortSwHandshaking READ ComPortSwHandshaking WRITE
                   setComPortSwHandshaking)
    Q_PROPERTY(quint16 ComPortInBufSize READ ComPortInBufSize WRITE setComPortInBufSize)
    Q_PROPERTY(quint16 ComPortOutBufSize READ ComPortOutBufSize WRITE setComPortOutBufSize)
    Q_PROPERTY(quint16 ComPortPollingDelay READ ComPortPollingDelay WRITE setComPortPollingDelay)
    Q_PROPERTY(bool EnableDTROnOpen READ EnableDTROnOpen WRITE setEnableDTROnOpen)
    Q_PROPERTY(quint16 OutputTimeout READ OutputTimeout WRITE setOutputTimeout)

public:
    enum TComPortNumber { pnCOM1, pnCOM2, pnCOM3, pnCOM4 };
    Q_ENUM(TComPortNumber)
    enum TComPortBaudRate {
        br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400, br56000,
        br57600, br115200
    };
    Q_ENUM(TComPortBaudRate)
    enum TComPortDataBits { db5BITS, db6BITS, db7BITS, db8BITS };
    Q_ENUM(TComPortDataBits)
    enum TComPortStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
    Q_ENUM(TComPortStopBits)
    enum TComPortParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
    Q_ENUM(TComPortParity)
    enum TComPortHwHandshaking { hhNONE, hhRTSCTS };
    Q_ENUM(TComPortHwHandshaking)
    enum TComPortSwHandshaking { shNONE, shXONXOFF };
    Q_ENUM(TComPortSwHandshaking)

    // Sender, the received bytes (valid only during the call) and their count.
    using TComPortReceiveDataEvent =
        std::function<void(TSerialPortDriver* sender, const void* dataPtr, std::int32_t dataSize)>;

    static std::int32_t lineSpeed(TComPortBaudRate rate);

    explicit TSerialPortDriver(QObject* owner = nullptr);
    ~TSerialPortDriver() override;

    // Published properties. ComPort is taken only while closed; the line settings take effect
    // at once while open; ComPortInBufSize and ComPortOutBufSize are taken only while closed.
    TComPortNumber ComPort() const { return comPort_; }
    void setComPort(TComPortNumber port);
    TComPortBaudRate ComPortSpeed() const { return speed_; }
    void setComPortSpeed(TComPortBaudRate speed);
    TComPortDataBits ComPortDataBits() const { return dataBits_; }
    void setComPortDataBits(TComPortDataBits bits);
    TComPortStopBits ComPortStopBits() const { return stopBits_; }
    void setComPortStopBits(TComPortStopBits bits);
    TComPortParity ComPortParity() const { return parity_; }
    void setComPortParity(TComPortParity parity);
    TComPortHwHandshaking ComPortHwHandshaking() const { return hwHandshaking_; }
    void setComPortHwHandshaking(TComPortHwHandshaking h);
    TComPortSwHandshaking ComPortSwHandshaking() const { return swHandshaking_; }
    void setComPortSwHandshaking(TComPortSwHandshaking h);
    std::uint16_t ComPortInBufSize() const { return inBufSize_; }
    void setComPortInBufSize(std::uint16_t size);
    std::uint16_t ComPortOutBufSize() const { return outBufSize_; }
    void setComPortOutBufSize(std::uint16_t size);
    std::uint16_t ComPortPollingDelay() const { return pollingDelay_; }
    void setComPortPollingDelay(std::uint16_t ms);
    bool EnableDTROnOpen() const { return enableDtrOnOpen_; }
    void setEnableDTROnOpen(bool on) { enableDtrOnOpen_ = on; }
    std::uint16_t OutputTimeout() const { return outputTimeout_; }
    void setOutputTimeout(std::uint16_t ms) { outputTimeout_ = ms; }
    const TComPortReceiveDataEvent& OnReceiveData() const { return onReceiveData_; }
    // A handler given while the current one runs takes over when that call returns.
    void setOnReceiveData(TComPortReceiveDataEvent handler);

    // Opens the device behind ComPort and starts polling. True when the port is open
    // afterwards, also when it was open already. On failure lastError() says why.
    bool OpenPort();
    // Stops polling and closes the port; nothing when closed.
    void ClosePort();
    bool IsOpen() const { return open_; }
    // Writes the line settings to the open port. Settings the device refuses (a
    // pseudo-terminal has no DTR or RTS line) are left as the device has them.
    void ApplyPortSettings();
    // Discards what the port holds in the named directions.
    void PurgeBuffers(bool input, bool output);

    // The names COMn stand for; the driver uses the system's table unless given one. The
    // table must outlive the driver.
    void setPortNames(const PortNameTable* table);
    const PortNameTable& portNames() const { return *portNames_; }
    // "COM1".."COM4".
    QString portName() const { return PortNameTable::portName(comPort_ + 1); }
    // The device path ComPort stands for now (empty when none).
    QString portPath() const { return portNames_->resolve(comPort_ + 1); }
    // Why the last OpenPort failed, or why the open device stopped delivering; a sentence
    // naming the port and the device, e.g. "COM1 (/dev/ttyUSB0): Permission denied".
    QString lastError() const { return lastError_; }
    // The open device went away; reads fail quietly until ClosePort (or until the device is
    // back, with setReconnect).
    bool deviceLost() const { return lost_; }
    // Whether a lost device is waited for and reopened when a device appears at its path.
    void setReconnect(bool on);
    bool reconnects() const { return reconnect_; }
    // The device the open port reads, or waits for (empty when closed).
    QString devicePath() const { return open_ ? portPath_ : QString(); }
    // Bytes that arrived before the device went away and that polls have not handed over yet.
    bool hasUndeliveredBytes() const { return !leftOver_.isEmpty(); }

    // What the last ApplyPortSettings wrote.
    const SerialLineSettings& lineSettings() const { return lineSettings_; }
    // The operating system's handle of the open device (-1 when closed or lost).
    int nativeHandle() const;
    // Bytes received and waiting for the next poll.
    qint64 bytesWaiting() const;
    bool isPolling() const { return timer_.isActive(); }
    int pollingInterval() const { return timer_.interval(); }
    const std::vector<char>& ReceiveBuffer() const { return receiveBuffer_; }

public slots:
    // One tick of the polling timer: one read of what has arrived, at most ComPortInBufSize
    // bytes, handed to OnReceiveData when there is at least one byte and a handler.
    void PollPort();

private:
    void onPortError(int error);
    // Why `port` could not open `device`, in the user's terms (a port held by another program
    // is said to be in use, with that program's process id where its lock file gives it).
    static QString openFailure(const QSerialPort& port, const QString& device);
    void releaseLostDevice();
    void startTimer();
    bool openDevice(const QString& path);
    void reopenLostDevice();

    TComPortNumber comPort_ = pnCOM2;
    TComPortBaudRate speed_ = br9600;
    TComPortDataBits dataBits_ = db8BITS;
    TComPortStopBits stopBits_ = sb1BITS;
    TComPortParity parity_ = ptNONE;
    TComPortHwHandshaking hwHandshaking_ = hhNONE;
    TComPortSwHandshaking swHandshaking_ = shNONE;
    std::uint16_t inBufSize_ = 2048;
    std::uint16_t outBufSize_ = 2048;
    std::uint16_t pollingDelay_ = 50;
    bool enableDtrOnOpen_ = true;
    std::uint16_t outputTimeout_ = 4000;
    TComPortReceiveDataEvent onReceiveData_;
    TComPortReceiveDataEvent nextOnReceiveData_;  // given during a call of onReceiveData_
    bool nextOnReceiveDataGiven_ = false;

    PortNameTable systemPortNames_;
    const PortNameTable* portNames_ = &systemPortNames_;
    std::unique_ptr<QSerialPort> port_;
    bool open_ = false;
    bool lost_ = false;
    bool reconnect_ = false;
    QTimer reopenTimer_;    // while a lost device is waited for
    bool polling_ = false;  // inside PollPort: a handler that spins the event loop cannot nest
    QByteArray leftOver_;   // bytes the port held when its device went away
    QString lastError_;
    QString portPath_;      // the device the open port reads
    SerialLineSettings lineSettings_;
    std::vector<char> receiveBuffer_;
    QTimer timer_;
};
