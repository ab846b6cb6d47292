#include "count_class.h"

#include <array>

namespace dmm {

namespace {
constexpr std::array<CountClass, 4> kClasses{{
    {"4", 40000, 400, 40, 80},
    {"6", 6000, 600, 60, 120},
    {"34", 3400, 340, 34, 68},
    {"2", 20000, 200, 20, 40},
}};
}  // namespace

const CountClass* findCountClass(std::string_view name) {
    for (const CountClass& c : kClasses) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

const CountClass& standardCountClass() { return kClasses[0]; }

}  // namespace dmm
