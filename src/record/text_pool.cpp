// SPDX-FileCopyrightText: 2026 The dmmview developers
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "text_pool.h"

#include <cstring>
#include <stdexcept>

#include "word_scan.h"

namespace dmm {

namespace {

std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// Eight bytes at a time: the texts of a table are short, and a record's texts are looked up
// every time one is added.
std::uint64_t hashText(std::string_view s) {
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ s.size();
    const char* p = s.data();
    std::size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) h = mix(h ^ wordscan::load8(p));
    if (n > 0) h = mix(h ^ ShortTextKey::of(std::string_view(p, n)).bytes);
    return mix(h);
}

bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace

TextPool::TextPool() { clear(); }

void TextPool::clear() {
    arena_.clear();
    arena_.shrink_to_fit();
    offsets_.assign(1, 0);
    slots_.assign(64, 0);
    shortSlots_.assign(64, ShortSlot{0, 0});
    shortCount_ = 0;
}

std::uint32_t TextPool::add(std::string_view s) {
    if (size() >= 0xFFFFFFF0u) throw std::length_error("too many distinct texts");
    const auto id = static_cast<std::uint32_t>(size());
    arena_.append(s);
    offsets_.push_back(arena_.size());
    return id;
}

std::uint32_t TextPool::internShort(std::uint64_t key, std::string_view s) {
    const std::size_t mask = shortSlots_.size() - 1;
    std::size_t i = mix(key) & mask;
    while (shortSlots_[i].key != 0) {
        if (shortSlots_[i].key == key) return shortSlots_[i].id;
        i = (i + 1) & mask;
    }
    const std::uint32_t id = add(s);
    shortSlots_[i] = ShortSlot{key, id};
    if (++shortCount_ * 2 > shortSlots_.size()) growShort();
    return id;
}

void TextPool::growShort() {
    std::vector<ShortSlot> slots(shortSlots_.size() * 2, ShortSlot{0, 0});
    const std::size_t mask = slots.size() - 1;
    for (const ShortSlot& slot : shortSlots_) {
        if (slot.key == 0) continue;
        std::size_t i = mix(slot.key) & mask;
        while (slots[i].key != 0) i = (i + 1) & mask;
        slots[i] = slot;
    }
    shortSlots_.swap(slots);
}

std::uint32_t TextPool::intern(std::string_view s) {
    if (const std::uint64_t key = shortKey(s); key != 0) return internShort(key, s);
    const std::uint64_t h = hashText(s);
    const std::uint64_t tag = h & 0xFFFFFFFF00000000ULL;
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = h & mask;
    while (slots_[i] != 0) {
        if ((slots_[i] & 0xFFFFFFFF00000000ULL) == tag) {
            const auto id = static_cast<std::uint32_t>((slots_[i] & 0xFFFFFFFFu) - 1);
            if (sameText(text(id), s)) return id;
        }
        i = (i + 1) & mask;
    }
    const std::uint32_t id = add(s);
    slots_[i] = tag | (id + 1);
    if ((size() - shortCount_) * 2 > slots_.size()) grow();
    return id;
}

void TextPool::grow() {
    std::vector<std::uint64_t> slots(slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint64_t slot : slots_) {
        if (slot == 0) continue;
        const auto id = static_cast<std::uint32_t>((slot & 0xFFFFFFFFu) - 1);
        std::size_t i = hashText(text(id)) & mask;
        while (slots[i] != 0) i = (i + 1) & mask;
        slots[i] = slot;
    }
    slots_.swap(slots);
}

}  // namespace dmm
