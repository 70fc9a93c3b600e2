#include "support/FileSizeLimit.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

FileSizeLimit::FileSizeLimit(std::uint64_t bytes)
{
    rlimit limit{};
    EXPECT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    m_previous = limit.rlim_cur;
    // An ignored signal stays ignored in the encoders we start, so they see the failed
    // write too.
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(m_previous);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_previousHandler);
}
