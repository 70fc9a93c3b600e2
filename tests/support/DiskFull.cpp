#include "support/DiskFull.h"

#include <csignal>
#include <sys/resource.h>

DiskFull::DiskFull(std::int64_t bytes)
{
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    m_soft = static_cast<std::int64_t>(old.rlim_cur);
    m_hard = static_cast<std::int64_t>(old.rlim_max);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limited);
}

DiskFull::~DiskFull()
{
    rlimit restored{};
    restored.rlim_cur = static_cast<rlim_t>(m_soft);
    restored.rlim_max = static_cast<rlim_t>(m_hard);
    setrlimit(RLIMIT_FSIZE, &restored);
    std::signal(SIGXFSZ, m_oldHandler);
}
