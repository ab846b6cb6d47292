// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "byte_sink.h"

namespace dmm {

// Writes straight into a string's storage through a pointer: a writer asks for room for one
// record at a time (`room`), fills it, and hands back where it stopped (`advance`). The string
// grows in large steps, so a record costs no library calls of its own.
// `finish` cuts the string to what was written; until then its tail holds unwritten room.
// A debug build checks at each `advance` that the writer stayed within the room it asked for.
//
// Given a sink, the string is a reused block: whenever a mebibyte has gathered it goes to the
// sink, and `finish` passes on the rest, so a file of any size is written without ever being
// whole in memory. After the sink has refused a piece, nothing more is passed on.
class OutputBuffer {
public:
    explicit OutputBuffer(std::string& out, const ByteSink* sink = nullptr)
        : out_(out), used_(out.size()), sink_(sink) {}
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // A pointer to at least `n` writable bytes after what was written.
    char* room(std::size_t n) {
        if (sink_ && used_ >= kStep) flush();
        if (out_.size() - used_ < n) grow(n);
        roomEnd_ = used_ + n;
        return out_.data() + used_;
    }
    void advance(const char* end) {
        used_ = static_cast<std::size_t>(end - out_.data());
        assert(used_ <= roomEnd_ && "wrote past the room asked for");
    }
    void append(std::string_view s) { advance(put(room(s.size()), s)); }
    // False when the sink refused a piece.
    bool finish() {
        if (sink_) flush();
        out_.resize(used_);
        return ok_;
    }
    bool ok() const { return ok_; }

    static char* put(char* p, std::string_view s) {
        std::memcpy(p, s.data(), s.size());
        return p + s.size();
    }
    // A piece whose length is known when compiling: copied without a library call.
    template <std::size_t N>
    static char* put(char* p, const char (&s)[N]) {
        std::memcpy(p, s, N - 1);
        return p + N - 1;
    }
    // Decimal digits of `v`, with '-' when negative; at most 20 bytes.
    static char* putInt(char* p, std::int64_t v) {
        std::uint64_t u = static_cast<std::uint64_t>(v);
        if (v < 0) {
            *p++ = '-';
            u = 0 - u;
        }
        char digits[20];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u != 0);
        while (n > 0) *p++ = digits[--n];
        return p;
    }

private:
    // A block for a sink; otherwise half again what is there, so that a small text is not
    // padded to a mebibyte.
    void grow(std::size_t n) {
        const std::size_t step = sink_ ? kStep : std::clamp(used_ / 2, std::size_t{256}, kStep);
        out_.resize(used_ + std::max(n, step));
    }
    void flush() {
        if (ok_ && used_ > 0) ok_ = (*sink_)(std::string_view(out_.data(), used_));
        used_ = 0;
    }

    static constexpr std::size_t kStep = std::size_t{1} << 20;
    std::string& out_;
    std::size_t used_;
    std::size_t roomEnd_ = 0;  // where the room asked for last ends
    const ByteSink* sink_;
    bool ok_ = true;
};

}  // namespace dmm
