// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fake_hid_backend.h"

#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace dmm {

namespace {

HidError errorOf(std::uint32_t code) { return {code, hidErrorText(code)}; }

}  // namespace

class FakeHidConnection : public HidConnection {
public:
    FakeHidConnection(FakeHidBackend& backend, std::shared_ptr<FakeHidBackend::State> state,
                      bool readWrite)
        : backend_(backend), state_(std::move(state)), readWrite_(readWrite) {}
    ~FakeHidConnection() override {
        std::lock_guard lock(backend_.mutex_);
        if (readWrite_) --state_->openConnections;
    }

    std::optional<HidAttributes> attributes() override {
        std::lock_guard lock(backend_.mutex_);
        if (!state_->device.identifiable) return std::nullopt;
        return state_->device.attributes;
    }

    int readInputReport(std::uint8_t* buffer, std::size_t size, int timeoutMs) override {
        std::unique_lock lock(backend_.mutex_);
        if (!readWrite_) return fail(EBADF);
        const auto ready = [this] {
            return !state_->attached || !state_->reports.empty() || !state_->errors.empty();
        };
        if (!backend_.changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
            return 0;
        }
        if (!state_->attached) return fail(ENODEV);
        if (!state_->errors.empty()) {
            const std::uint32_t code = state_->errors.front();
            state_->errors.pop_front();
            return fail(code);
        }
        const std::vector<std::uint8_t> report = std::move(state_->reports.front());
        state_->reports.pop_front();
        const std::size_t n = std::min(size, report.size());
        std::copy_n(report.begin(), n, buffer);
        return static_cast<int>(n);
    }

    bool sendFeatureReport(const std::uint8_t* report, std::size_t size) override {
        std::lock_guard lock(backend_.mutex_);
        if (!readWrite_ || !state_->attached || !state_->device.acceptsFeatureReports) {
            fail(EPIPE);
            return false;
        }
        state_->featureReports.emplace_back(report, report + size);
        return true;
    }

    std::optional<std::u16string> productString() override {
        std::lock_guard lock(backend_.mutex_);
        if (!state_->attached || state_->device.product.empty()) return std::nullopt;
        return state_->device.product;
    }
    std::optional<std::u16string> serialString() override {
        std::lock_guard lock(backend_.mutex_);
        if (!state_->attached || state_->device.serial.empty()) return std::nullopt;
        return state_->device.serial;
    }
    bool readStringDescriptor0(std::uint16_t* words, std::size_t count) override {
        std::lock_guard lock(backend_.mutex_);
        const auto& d = state_->device.descriptor0;
        if (!d) return false;
        std::copy_n(d->begin(), std::min(count, d->size()), words);
        return true;
    }
    std::size_t inputReportLength() override {
        std::lock_guard lock(backend_.mutex_);
        return state_->device.inputReportLength;
    }
    HidError lastError() const override { return lastError_; }

private:
    int fail(std::uint32_t code) {
        lastError_ = errorOf(code);
        return -1;
    }

    FakeHidBackend& backend_;
    std::shared_ptr<FakeHidBackend::State> state_;
    bool readWrite_;
    HidError lastError_;
};

std::shared_ptr<FakeHidBackend::State> FakeHidBackend::find(const std::string& path) const {
    for (const auto& s : devices_) {
        if (s->device.path == path) return s;
    }
    return nullptr;
}

void FakeHidBackend::plug(const Device& device, bool notify) {
    {
        std::lock_guard lock(mutex_);
        auto state = std::make_shared<State>();
        state->device = device;
        devices_.push_back(std::move(state));
    }
    if (notify) announceChange();
}

void FakeHidBackend::unplug(const std::string& path, bool notify) {
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find_if(devices_.begin(), devices_.end(),
                                     [&](const auto& s) { return s->device.path == path; });
        if (it == devices_.end()) return;
        (*it)->attached = false;
        devices_.erase(it);
    }
    changed_.notify_all();
    if (notify) announceChange();
}

void FakeHidBackend::announceChange() {
    QMetaObject::invokeMethod(this, [this] { emit deviceNodesChanged(); }, Qt::QueuedConnection);
}

void FakeHidBackend::queueReport(const std::string& path, std::vector<std::uint8_t> report) {
    {
        std::lock_guard lock(mutex_);
        if (const auto s = find(path)) s->reports.push_back(std::move(report));
    }
    changed_.notify_all();
}

void FakeHidBackend::queueReadError(const std::string& path, std::uint32_t code) {
    {
        std::lock_guard lock(mutex_);
        if (const auto s = find(path)) s->errors.push_back(code);
    }
    changed_.notify_all();
}

std::size_t FakeHidBackend::queuedReports(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto s = find(path);
    return s ? s->reports.size() : 0;
}

std::vector<std::vector<std::uint8_t>> FakeHidBackend::featureReports(
    const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto s = find(path);
    return s ? s->featureReports : std::vector<std::vector<std::uint8_t>>{};
}

int FakeHidBackend::openConnections(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto s = find(path);
    return s ? s->openConnections : 0;
}

std::vector<HidInterfaceInfo> FakeHidBackend::attachedInterfaces() {
    std::lock_guard lock(mutex_);
    std::vector<HidInterfaceInfo> found;
    if (!available_) return found;
    for (const auto& s : devices_) found.push_back({s->device.identity, s->device.path});
    return found;
}

std::unique_ptr<HidConnection> FakeHidBackend::open(const std::string& path, HidAccess access,
                                                    HidError* error) {
    std::lock_guard lock(mutex_);
    const auto state = find(path);
    const bool readWrite = access == HidAccess::ReadWrite;
    int code = 0;
    if (!state) {
        code = ENOENT;
    } else if (!state->device.openable || (readWrite && !state->device.readWrite)) {
        code = EACCES;
    }
    if (code != 0) {
        if (error) *error = errorOf(static_cast<std::uint32_t>(code));
        return nullptr;
    }
    if (readWrite) ++state->openConnections;
    return std::make_unique<FakeHidConnection>(*this, state, readWrite);
}

}  // namespace dmm
