#pragma once

#include <cstdint>

// While it lives, no file of this process or of the children it starts may grow beyond
// `bytes`: a write past the limit fails with "File too large" instead of raising the
// signal that would end the process. Stands in for a full disk without needing one.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    std::uint64_t m_previous = 0;
    void (*m_previousHandler)(int) = nullptr;
};
