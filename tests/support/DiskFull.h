#pragma once

#include <cstdint>

// While it lives, this process and the children it starts cannot make any file larger than
// `bytes`: writes past that fail as they would on a full disk (EFBIG, "File too large"; the
// signal that would end us is ignored, and stays ignored in the encoders we start). Works
// for root too, where a read-only folder would not stop anything.
class DiskFull
{
public:
    explicit DiskFull(std::int64_t bytes);
    ~DiskFull();
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    std::int64_t m_soft = 0;
    std::int64_t m_hard = 0;
    void (*m_oldHandler)(int) = nullptr;
};
