#include "hunt/postgres/cycle_keys.h"

#include <sys/random.h>

#include <array>
#include <cstdio>
#include <random>

namespace qorvex::hunt::postgres {

// 128 bits straight from the system's generator for each run: a seeded
// engine would carry only as many bits as its seed.
CycleKeys::CycleKeys() {
    std::array<std::uint32_t, 4> bits{};
    if (getrandom(bits.data(), sizeof bits, 0) != static_cast<ssize_t>(sizeof bits)) {
        std::random_device system;
        for (auto& part : bits) {
            part = system();
        }
    }
    char text[40];
    std::snprintf(text, sizeof text, "%08x%08x%08x%08x", bits[0], bits[1], bits[2], bits[3]);
    m_run = text;
}

std::string CycleKeys::next() {
    return m_run + "-" + std::to_string(++m_counter);
}

}  // namespace qorvex::hunt::postgres
