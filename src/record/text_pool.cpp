#include "text_pool.h"

#include <stdexcept>

namespace dmm {

namespace {

std::uint64_t hashText(std::string_view s) {
    std::uint64_t h = 1469598103934665603ULL;
    for (char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return h ^ (h >> 29);
}

}  // namespace

TextPool::TextPool() { clear(); }

void TextPool::clear() {
    arena_.clear();
    arena_.shrink_to_fit();
    offsets_.assign(1, 0);
    slots_.assign(64, 0);
}

std::uint32_t TextPool::intern(std::string_view s) {
    std::size_t mask = slots_.size() - 1;
    std::size_t i = hashText(s) & mask;
    while (slots_[i] != 0) {
        const std::uint32_t id = slots_[i] - 1;
        if (text(id) == s) return id;
        i = (i + 1) & mask;
    }
    if (size() >= 0xFFFFFFF0u) throw std::length_error("too many distinct texts");
    const auto id = static_cast<std::uint32_t>(size());
    arena_.append(s);
    offsets_.push_back(arena_.size());
    slots_[i] = id + 1;
    if (size() * 2 > slots_.size()) grow();
    return id;
}

void TextPool::grow() {
    std::vector<std::uint32_t> slots(slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 0; id < size(); ++id) {
        std::size_t i = hashText(text(id)) & mask;
        while (slots[i] != 0) i = (i + 1) & mask;
        slots[i] = id + 1;
    }
    slots_.swap(slots);
}

}  // namespace dmm
