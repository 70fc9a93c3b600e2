#pragma once

// Bit rates offered for Ogg Vorbis output. The order matters: the setters of TVorbisOut
// compare values by it, and the options dialog's lists store positions in it.
enum TVorbisBitRate {
    brAutoSelect,
    br45,
    br48,
    br56,
    br64,
    br80,
    br96,
    br112,
    br128,
    br144,
    br160,
    br192,
    br224,
    br256,
    br320,
    br499
};

// Bits per second handed to the encoder; -1 for brAutoSelect (no value).
constexpr long vorbisBitsPerSecond(TVorbisBitRate rate)
{
    switch (rate) {
    case brAutoSelect:
        return -1;
    case br45:
        return 45000;
    case br48:
        return 48000;
    case br56:
        return 56000;
    case br64:
        return 64000;
    case br80:
        return 80000;
    case br96:
        return 96000;
    case br112:
        return 112000;
    case br128:
        return 128000;
    case br144:
        return 144000;
    case br160:
        return 160000;
    case br192:
        return 192000;
    case br224:
        return 224000;
    case br256:
        return 256000;
    case br320:
        return 320000;
    case br499:
        return 499000;
    }
    return -1;
}
