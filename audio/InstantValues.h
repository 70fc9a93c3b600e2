#pragma once

#include <cstdint>
#include <numeric>

// The values at the output instants of an upward rate change: the instant at phase p of
// an input interval (0 <= p < out, in steps of the input rate) is
//     round(((out - p) * previous + p * next) / out), halves to even.
//
// Every phase is a multiple of g = gcd(in, out), so the same quotient is formed from the
// reduced rates: ((D - q) * previous + q * next) / D with q = p / g and D = out / g. The
// numerator is an integer, so the rounded quotient is found in integers: its floor and
// what is left over decide, and no floating-point comparison chain runs per instant.
// When D is a power of two (2 for 22,050 to 44,100 Hz) the floor is a shift.
class InstantValues
{
public:
    InstantValues() = default;
    InstantValues(std::int64_t in, std::int64_t out)
    {
        const std::int64_t g = std::gcd(in, out);
        m_in = in / g;
        m_out = out / g;
        if ((m_out & (m_out - 1)) == 0) {
            m_shift = 0;
            while ((std::int64_t(1) << m_shift) < m_out) {
                ++m_shift;
            }
        }
    }

    // The reduced rates: a phase counter in these units steps by in() and wraps at out().
    std::int64_t in() const { return m_in; }
    std::int64_t out() const { return m_out; }

    // The value at reduced phase q (0 <= q < out()) between two 16-bit samples.
    double at(std::int64_t q, double previous, double next) const
    {
        const std::int64_t numerator = (m_out - q) * std::int64_t(previous) + q * std::int64_t(next);
        std::int64_t floor = 0;
        std::int64_t rest = 0;
        if (m_shift >= 0) {
            floor = numerator >> m_shift; // an arithmetic shift: the floor for negatives too
            rest = numerator & (m_out - 1);
        } else {
            floor = numerator / m_out;
            rest = numerator % m_out;
            floor -= std::int64_t(rest < 0);
            rest += rest < 0 ? m_out : 0;
        }
        // Halves go to the even neighbour.
        const std::int64_t twice = 2 * rest;
        return double(floor + std::int64_t((twice > m_out) | ((twice == m_out) & ((floor & 1) != 0))));
    }

private:
    std::int64_t m_in = 1;
    std::int64_t m_out = 1;
    int m_shift = -1; // log2 of out() when that is a power of two, else -1
};
