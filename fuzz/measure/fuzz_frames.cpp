// Feeds arbitrary bytes through frame assembly, the decoders and the pipeline, on both roads.
//
// Input: byte 0 picks the family, the road and the model settings; the rest is the stream.
// Serial road: the stream is cut into blocks whose sizes come from the stream itself.
// USB road: the stream is a run of reports, each a length byte followed by that many bytes
// (report ID first).
// After the stream, whatever FrameText is left is decoded by every decoder directly, which
// reaches the decoders with texts the assemblers would never pass.
//
// Every reading decoded on the way becomes the message other programs receive; it must be a
// JSON object with exactly its twelve fields, a number or null for the values.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "flat_json.h"
#include "meter_core.h"
#include "reading_message.h"

namespace {

class MessageCheck : public dmm::PipelineSink {
public:
    const dmm::MeterCore* core = nullptr;

    void frameDone() override {
        dmm::ReadingMessage m;
        m.seq = core->counters().decoded;
        m.family = core->lastOutcome().family;
        m.frame = core->frameText();
        m.reading = &core->reading();
        m.decimalSeparator = core->state.localeDecimal;
        const auto object = dmm::FlatJsonReader(dmm::readingJson(m)).object();
        using Kind = dmm::FlatJsonValue::Kind;
        const auto numberOrNull = [&](const char* name) {
            const Kind k = object->at(name).kind;
            return k == Kind::Number || k == Kind::Null;
        };
        if (!object || object->size() != 12 || !numberOrNull("value") ||
            !numberOrNull("base_value") || object->at("seq").kind != Kind::Number) {
            std::abort();
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;

    MessageCheck sink;
    dmm::FixedClock clock(1234);
    dmm::MeterCore core(&sink, &clock);
    sink.core = &core;
    const dmm::Family families[3] = {dmm::Family::Kelt, dmm::Family::Sorn, dmm::Family::Brio};
    const dmm::Family family = families[(mode & 3) % 3];
    core.settings.ivraModel = mode & 0x10;
    core.settings.brioModel = mode & 0x20;
    core.settings.fermoModel = mode & 0x40;
    core.settings.recallClockOn = mode & 0x80;
    core.settings.upperLimitOn = core.settings.lowerLimitOn = mode & 0x08;
    core.state.upperLimit = 100;
    core.state.lowerLimit = -100;

    const bool usb = (mode & 4) && family != dmm::Family::Brio;
    std::size_t i = 0;
    if (!usb) {
        while (i < size) {
            const std::size_t block = 1 + data[i] % 16;
            const std::size_t n = block < size - i ? block : size - i;
            core.receiveBytes(family, data + i, static_cast<std::int32_t>(n));
            i += n;
        }
    } else {
        while (i < size) {
            const std::size_t len = data[i++];
            const std::size_t n = len < size - i ? len : size - i;
            if (n == 0) {
                core.receiveKeltReport(0, nullptr, 0);
                continue;
            }
            const std::uint8_t id = data[i];
            const auto* report = data + i + 1;
            const auto reportSize = static_cast<std::uint16_t>(n - 1);
            if (family == dmm::Family::Sorn) {
                core.receiveSornReport(id, report, reportSize);
            } else {
                core.receiveKeltReport(id, report, reportSize);
            }
            i += n;
        }
    }

    const std::string text(reinterpret_cast<const char*>(data), size < 20 ? size : 20);
    for (dmm::Family f : families) {
        core.setFrameText(text);
        core.decodeFrame(f);
    }
    return 0;
}
