#pragma once

#include "common/Rounding.h"

#include <cstdint>
#include <numeric>

// The values at the output instants of an upward rate change: the instant at phase p of
// an input interval (0 <= p < out, in steps of the input rate) is
//     round(((out - p) * previous + p * next) / out), halves to even.
//
// Every phase is a multiple of g = gcd(in, out), so the same quotient is formed from the
// reduced rates: ((D - q) * previous + q * next) / D with q = p / g and D = out / g. Both
// numerators are exact doubles, so the correctly rounded quotient is the same double
// either way. When D is a power of two (2 for 22,050 to 44,100 Hz) the quotient is a
// multiplication by 1 / D, which is exact, and the division per instant is gone.
class InstantValues
{
public:
    InstantValues() = default;
    InstantValues(std::int64_t in, std::int64_t out)
    {
        const std::int64_t g = std::gcd(in, out);
        m_in = in / g;
        m_out = out / g;
        m_scale = (m_out & (m_out - 1)) == 0 ? 1.0 / double(m_out) : 0.0;
    }

    // The reduced rates: a phase counter in these units steps by in() and wraps at out().
    std::int64_t in() const { return m_in; }
    std::int64_t out() const { return m_out; }

    // The value at reduced phase q (0 <= q < out()) between two 16-bit samples. The
    // products and their sum are integers below 2^53, so the double arithmetic is exact.
    double at(std::int64_t q, double previous, double next) const
    {
        const double numerator = double(m_out - q) * previous + double(q) * next;
        const double quotient = m_scale != 0 ? numerator * m_scale : numerator / double(m_out);
        return double(tarnwick::roundHalfEven(quotient));
    }

private:
    std::int64_t m_in = 1;
    std::int64_t m_out = 1;
    double m_scale = 1.0; // 1 / out() when that is a power of two, else 0
};
