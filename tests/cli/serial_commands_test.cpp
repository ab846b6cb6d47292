// dmmcli simulate and dmmcli record, run as programs: a simulated meter on a pseudo-terminal
// logged through the serial driver, stop signals, and bad arguments.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <csignal>
#include <random>
#include <string>
#include <vector>

#include "data_files.h"
#include "record_table.h"
#include "serial_device.h"
#include "wait_for.h"

namespace {

using dmm::test::kGenerousDeadlineMs;
using dmm::test::waitFor;

const QString kDmmcli = QStringLiteral(DMMCLI_PATH);

QStringList dataLines(const QByteArray& out) {
    QStringList lines = QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines;
}

// Starts `dmmcli simulate --pty ...` and returns the device path from its first line.
QString startSimulator(QProcess& sim, const QStringList& args) {
    sim.start(kDmmcli, QStringList{QStringLiteral("simulate"), QStringLiteral("--pty")} + args);
    if (!sim.waitForStarted(kGenerousDeadlineMs)) return {};
    if (!waitFor([&] { return sim.canReadLine(); })) return {};
    return QString::fromUtf8(sim.readLine()).trimmed();
}

// Every simulated reading arrives at the logger, in order, none dropped, for each family.
TEST(DmmcliLink, SimulatorPipedIntoRecordDeliversEveryReadingInOrder) {
    for (const char* family : {"kelt", "sorn", "brio"}) {
        SCOPED_TRACE(family);
        QProcess sim;
        const QString path = startSimulator(
            sim, {QStringLiteral("--family"), QLatin1String(family), QStringLiteral("--rate"),
                  QStringLiteral("25"), QStringLiteral("--frames"), QStringLiteral("30"),
                  QStringLiteral("--seed"), QStringLiteral("11")});
        ASSERT_TRUE(path.startsWith(QLatin1String("/dev/"))) << path.toStdString();

        QProcess rec;
        rec.start(kDmmcli, {QStringLiteral("record"), QStringLiteral("--port"), path,
                            QStringLiteral("--family"), QLatin1String(family),
                            QStringLiteral("--decimal"), QStringLiteral("."),
                            QStringLiteral("--duration"), QStringLiteral("60")});
        ASSERT_TRUE(sim.waitForFinished(kGenerousDeadlineMs));
        EXPECT_EQ(sim.exitCode(), 0) << sim.readAllStandardError().toStdString();
        // The meter went away: the logger says so and ends.
        ASSERT_TRUE(rec.waitForFinished(kGenerousDeadlineMs));
        const QByteArray recErr = rec.readAllStandardError();
        EXPECT_TRUE(recErr.contains("went away")) << recErr.toStdString();
        EXPECT_FALSE(recErr.contains("waiting")) << "only with --reconnect";
        EXPECT_TRUE(recErr.contains("decoded 30 frames, dropped 0")) << recErr.toStdString();

        const QStringList sent = dataLines(sim.readAllStandardOutput());
        QStringList logged = dataLines(rec.readAllStandardOutput());
        ASSERT_FALSE(logged.isEmpty());
        EXPECT_TRUE(logged.takeFirst().startsWith(QLatin1String("frame\tvalue_text\tcoupling")));
        ASSERT_EQ(sent.size(), 30);
        ASSERT_EQ(logged.size(), 30);
        for (int i = 0; i < 30; ++i) {
            // Simulator: number, value text, coupling, unit, range. Logger: frame, value text,
            // coupling, unit, range, ...
            const QStringList s = sent[i].split(QLatin1Char('\t'));
            const QStringList l = logged[i].split(QLatin1Char('\t'));
            ASSERT_EQ(s.size(), 5);
            ASSERT_GE(l.size(), 16);
            EXPECT_EQ(s[0].toInt(), i + 1);
            EXPECT_EQ(l.mid(1, 4), s.mid(1, 4)) << "reading " << i + 1;
        }
    }
}

// The record_no column of a log: the numbers of the records taken.
QStringList recordNumbers(const QByteArray& log) {
    QStringList numbers;
    const QStringList lines = dataLines(log);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList cols = lines[i].split(QLatin1Char('\t'));
        if (cols.size() > 14 && !cols[14].isEmpty()) numbers << cols[14];
    }
    return numbers;
}

// SIGINT, SIGTERM and SIGHUP (a closed terminal), sent at a random moment of a log, end both
// programs as Ctrl+C does: every decoded frame printed before the summary, status 0, and every
// record taken in the --out file, TAB text or XML. A --duration beyond what one timer waits
// is taken.
TEST(DmmcliLink, StopSignalsEndBothProgramsCleanlyWithTheirSummaries) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    QTemporaryDir dir;
    QProcess sim;
    const QString path = startSimulator(sim, {QStringLiteral("--rate"), QStringLiteral("50")});
    ASSERT_FALSE(path.isEmpty());
    int run = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGINT, SIGTERM, SIGHUP}) {
        const QString file =
            dir.filePath(QStringLiteral("log%1.%2").arg(run).arg(run % 2 ? "xml" : "txt"));
        ++run;
        SCOPED_TRACE(file.toStdString() + " " + strsignal(signal));
        QProcess rec;
        rec.start(kDmmcli, {QStringLiteral("record"), QStringLiteral("--port"), path,
                            QStringLiteral("--out"), file, QStringLiteral("--duration"),
                            QStringLiteral("1e300")});
        const int lines = std::uniform_int_distribution<int>(2, 20)(random);
        QByteArray out;
        ASSERT_TRUE(waitFor([&] {
            out += rec.readAllStandardOutput();
            return out.count('\n') >= lines;  // the header and some readings
        }));
        ::kill(static_cast<pid_t>(rec.processId()), signal);
        ASSERT_TRUE(rec.waitForFinished(kGenerousDeadlineMs));
        EXPECT_EQ(rec.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(rec.exitCode(), 0);
        out += rec.readAllStandardOutput();
        const QByteArray err = rec.readAllStandardError();
        const qsizetype frames = out.count('\n') - 1;
        EXPECT_TRUE(err.contains("decoded " + QByteArray::number(frames) + " frames"))
            << frames << " lines; " << err.toStdString();
        dmm::RecordTable table;
        EXPECT_TRUE(dmm::loadDataFile(QFile::encodeName(file).toStdString(), table, false).ok);
        EXPECT_EQ(table.size(), static_cast<std::size_t>(recordNumbers(out).size()));
        EXPECT_GT(table.size(), 0u);
    }
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(kGenerousDeadlineMs));
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        QProcess other;
        ASSERT_FALSE(
            startSimulator(other, {QStringLiteral("--rate"), QStringLiteral("40")}).isEmpty());
        ::kill(static_cast<pid_t>(other.processId()), signal);
        ASSERT_TRUE(other.waitForFinished(kGenerousDeadlineMs));
        EXPECT_EQ(other.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(other.exitCode(), 0);
        EXPECT_TRUE(other.readAllStandardError().contains("frames sent"));
    }
}

TEST(DmmcliLink, AnOutputNobodyReadsEndsTheLog) {
    QProcess sim;
    const QString path = startSimulator(sim, {QStringLiteral("--rate"), QStringLiteral("40")});
    ASSERT_FALSE(path.isEmpty());
    // The pipeline's status is the logger's.
    QProcess pipeline;
    pipeline.start(QStringLiteral("bash"),
                   {QStringLiteral("-c"),
                    QStringLiteral("'%1' record --port '%2' | head -3; exit ${PIPESTATUS[0]}")
                        .arg(kDmmcli, path)});
    ASSERT_TRUE(pipeline.waitForFinished(kGenerousDeadlineMs));
    EXPECT_EQ(pipeline.exitCode(), 1);
    EXPECT_EQ(dataLines(pipeline.readAllStandardOutput()).size(), 3);
    EXPECT_TRUE(pipeline.readAllStandardError().contains("cannot write the output"));
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(kGenerousDeadlineMs));
}

TEST(DmmcliLink, DurationEndsTheLog) {
    QProcess sim;
    const QString path = startSimulator(sim, {QStringLiteral("--rate"), QStringLiteral("20")});
    ASSERT_FALSE(path.isEmpty());
    QProcess rec;
    rec.start(kDmmcli, {QStringLiteral("record"), QStringLiteral("--port"),
                        QStringLiteral("COM2=") + path, QStringLiteral("--duration"),
                        QStringLiteral("1.5")});
    ASSERT_TRUE(rec.waitForFinished(kGenerousDeadlineMs));
    EXPECT_EQ(rec.exitCode(), 0);
    const QStringList lines = dataLines(rec.readAllStandardOutput());
    EXPECT_GE(lines.size(), 3);  // header and some readings
    EXPECT_TRUE(rec.readAllStandardError().contains("COM2 (" + path.toUtf8() + ")"));
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(kGenerousDeadlineMs));
}

// The raw stream of `simulate --out -` is what `decode` reads from a capture.
TEST(DmmcliLink, RawStreamDecodesAsACapture) {
    for (const char* family : {"kelt", "sorn", "brio"}) {
        QProcess sim;
        QProcess dec;
        sim.setStandardOutputProcess(&dec);
        sim.start(kDmmcli,
                  {QStringLiteral("simulate"), QStringLiteral("--out"), QStringLiteral("-"),
                   QStringLiteral("--family"), QLatin1String(family), QStringLiteral("--rate"),
                   QStringLiteral("0"), QStringLiteral("--frames"), QStringLiteral("200")});
        dec.start(kDmmcli,
                  {QStringLiteral("decode"), QStringLiteral("--family"), QLatin1String(family)});
        ASSERT_TRUE(sim.waitForFinished(kGenerousDeadlineMs));
        ASSERT_TRUE(dec.waitForFinished(kGenerousDeadlineMs));
        EXPECT_EQ(sim.exitCode(), 0);
        EXPECT_EQ(dec.exitCode(), 0);
        EXPECT_EQ(dataLines(dec.readAllStandardOutput()).size(), 201) << family;
        EXPECT_TRUE(dec.readAllStandardError().contains("decoded 200 frames, dropped 0")) << family;
    }
}

// With --reconnect a meter that goes away is waited for (said once) and logged again when it
// is back at the same path: here a link of the test's own, moved from one simulator's device to
// the next one's, and naming nothing in between.
TEST(DmmcliLink, RecordWithReconnectWaitsForTheMeterToComeBack) {
    dmm::test::DeviceLink link;
    QProcess first;
    const QString firstPath = startSimulator(first, {QStringLiteral("--rate"), QStringLiteral("40")});
    ASSERT_TRUE(link.pointAt(firstPath));
    QProcess rec;
    rec.start(kDmmcli, {QStringLiteral("record"), QStringLiteral("--port"), link.path(),
                        QStringLiteral("--reconnect")});
    QByteArray out;
    QByteArray err;
    auto linesSoFar = [&] {
        out += rec.readAllStandardOutput();
        err += rec.readAllStandardError();
        return out.count('\n');
    };
    ASSERT_TRUE(waitFor([&] { return linesSoFar() >= 4; })) << err.toStdString();
    // The path goes before its device: it never names a pseudo-terminal that has ended, whose
    // number another test's simulator may get next.
    ASSERT_TRUE(link.remove());
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(kGenerousDeadlineMs));
    ASSERT_TRUE(waitFor([&] { return linesSoFar() >= 0 && err.contains("waiting"); }))
        << err.toStdString();
    const qsizetype before = linesSoFar();

    QProcess second;
    const QString secondPath = startSimulator(second, {QStringLiteral("--rate"), QStringLiteral("40")});
    ASSERT_TRUE(link.pointAt(secondPath));
    EXPECT_TRUE(waitFor([&] { return linesSoFar() >= before + 4; })) << err.toStdString();
    ::kill(static_cast<pid_t>(rec.processId()), SIGTERM);
    ASSERT_TRUE(rec.waitForFinished(kGenerousDeadlineMs));
    linesSoFar();
    EXPECT_EQ(rec.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(err.count("waiting for it to come back"), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("(" + link.path().toUtf8() + ") is back")) << err.toStdString();
    EXPECT_TRUE(err.contains("decoded " + QByteArray::number(out.count('\n') - 1) + " frames"))
        << err.toStdString();
    second.terminate();
    ASSERT_TRUE(second.waitForFinished(kGenerousDeadlineMs));
}

// A file size limit stops the writing of record --out half-way through a line: the file keeps
// whole lines only and loads, the failure is said once, and the records left out are written
// as soon as a write succeeds again (how many were late is said). If none does, the log ends
// with status 1.
TEST(DmmcliLink, RecordOutThroughAFileSizeLimitKeepsWholeLines) {
    for (const bool limitLifted : {true, false}) {
        SCOPED_TRACE(limitLifted ? "limit lifted" : "limit kept");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("log.txt"));
        QProcess sim;
        const QString path = startSimulator(sim, {QStringLiteral("--rate"), QStringLiteral("60")});
        ASSERT_FALSE(path.isEmpty());
        QProcess rec;
        rec.start(QStringLiteral("bash"),
                  {QStringLiteral("-c"),
                   QStringLiteral("ulimit -S -f 1; exec \"$0\" record --port \"$1\" --out \"$2\""),
                   kDmmcli, path, file});
        QByteArray out;
        QByteArray err;
        auto gather = [&] {
            out += rec.readAllStandardOutput();
            err += rec.readAllStandardError();
        };
        ASSERT_TRUE(waitFor([&] { gather(); return err.contains("cannot write the recording"); }))
            << err.toStdString();
        if (limitLifted) {
            const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
            ASSERT_EQ(::prlimit(static_cast<pid_t>(rec.processId()), RLIMIT_FSIZE, &none, nullptr), 0);
            ASSERT_TRUE(waitFor([&] {
                gather();
                return err.contains("late");
            })) << err.toStdString();
        } else {
            // Records go on failing to be written: the failure is not said again.
            const qsizetype failedAt = recordNumbers(out).size();
            ASSERT_TRUE(waitFor([&] {
                gather();
                return recordNumbers(out).size() >= failedAt + 5;
            }));
        }
        ::kill(static_cast<pid_t>(rec.processId()), SIGTERM);
        ASSERT_TRUE(rec.waitForFinished(kGenerousDeadlineMs));
        gather();
        EXPECT_EQ(rec.exitCode(), limitLifted ? 0 : 1) << err.toStdString();
        EXPECT_EQ(err.count("cannot write the recording"), 1) << err.toStdString();
        EXPECT_TRUE(err.contains("File too large")) << err.toStdString();

        QFile written(file);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        EXPECT_TRUE(bytes.endsWith("\r\n"));
        const qsizetype records = bytes.count('\n') - 1;
        const QStringList logged = recordNumbers(out);
        if (limitLifted) {
            EXPECT_EQ(records, logged.size());
        } else {
            EXPECT_GT(records, 10);
            EXPECT_LT(records, logged.size());
        }
        QProcess convert;
        convert.start(kDmmcli, {QStringLiteral("convert"), file, dir.filePath(QStringLiteral("log.xml"))});
        ASSERT_TRUE(convert.waitForFinished(kGenerousDeadlineMs));
        EXPECT_EQ(convert.exitCode(), 0);
        EXPECT_TRUE(convert.readAllStandardError().contains(QByteArray::number(records) + " records"));
        sim.terminate();
        ASSERT_TRUE(sim.waitForFinished(kGenerousDeadlineMs));
    }
}

// A port another program holds is said to be in use, with that program's process id.
TEST(DmmcliLink, PortHeldByAnotherProgramIsSaidToBeInUse) {
    QProcess sim;
    const QString path = startSimulator(sim, {QStringLiteral("--rate"), QStringLiteral("10")});
    ASSERT_FALSE(path.isEmpty());
    QProcess holder;
    holder.start(kDmmcli, {QStringLiteral("record"), QStringLiteral("--port"), path,
                           QStringLiteral("--duration"), QStringLiteral("20")});
    ASSERT_TRUE(waitFor([&] { return holder.readAllStandardError().contains("reading"); }));
    QProcess second;
    second.start(kDmmcli, {QStringLiteral("record"), QStringLiteral("--port"), path});
    ASSERT_TRUE(second.waitForFinished(kGenerousDeadlineMs));
    EXPECT_EQ(second.exitCode(), 1);
    const QByteArray err = second.readAllStandardError();
    EXPECT_TRUE(err.contains(QStringLiteral("(%1): in use by another program (process %2)")
                                 .arg(path)
                                 .arg(holder.processId())
                                 .toUtf8()))
        << err.toStdString();
    holder.terminate();
    sim.terminate();
    ASSERT_TRUE(holder.waitForFinished(kGenerousDeadlineMs));
    ASSERT_TRUE(sim.waitForFinished(kGenerousDeadlineMs));
}

TEST(DmmcliLink, BadArgumentsAndMissingPortsAreRefusedWithAMessage) {
    struct Row {
        QStringList args;
        int status;
        const char* says;
    };
    const Row rows[] = {
        {{"record"}, 2, "--port"},
        {{"record", "--port"}, 2, "--port needs"},
        {{"record", "--port", "/dev/no-such-meter"}, 1, "could not open COM1 (/dev/no-such-meter)"},
        {{"record", "--port", "COM1=/dev/no-such-meter"}, 1, "/dev/no-such-meter"},
        {{"record", "--port", "COM5=/dev/x"}, 2, "COMn=PATH"},
        {{"record", "--port", "COM5"}, 2, "COM5 is not a port name (COM1 to COM4, or COMn=PATH)"},
        {{"record", "--port", "no-such-meter"}, 1, "could not open COM1 (/dev/no-such-meter)"},
        {{"record", "--port", "/dev/x", "--duration", "0"}, 2, "--duration"},
        {{"record", "--port", "/dev/x", "--family", "volt"}, 2, "family"},
        {{"record", "--port", "/dev/x", "--bogus"}, 2, "--bogus"},
        {{"simulate"}, 2, "--pty or --out"},
        {{"simulate", "--pty", "--out", "-"}, 2, "--pty or --out"},
        {{"simulate", "--pty", "--rate", "-1"}, 2, "--rate"},
        {{"simulate", "--pty", "--rate", "nan"}, 2, "--rate"},
        {{"simulate", "--pty", "--rate", "inf"}, 2, "--rate"},
        {{"simulate", "--pty", "--frames", "x"}, 2, "--frames"},
        {{"simulate", "--pty", "--family", "volt"}, 2, "--family"},
        {{"simulate", "--out", "/no/such/dir/f.bin"}, 1, "cannot write"},
    };
    for (const Row& row : rows) {
        QProcess p;
        p.start(kDmmcli, row.args);
        ASSERT_TRUE(p.waitForFinished(kGenerousDeadlineMs)) << row.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), row.status) << row.args.join(' ').toStdString();
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(err.contains(row.says))
            << row.args.join(' ').toStdString() << ": " << err.toStdString();
    }
}

}  // namespace
