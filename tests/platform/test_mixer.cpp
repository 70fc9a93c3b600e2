#include "platform/Mixer.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// A folder standing in for PATH, holding executables of the given names.
class FakePath
{
public:
    explicit FakePath(const QStringList& programs) : m_saved(qgetenv("PATH"))
    {
        for (const QString& name : programs) {
            const QString file = m_dir.file(name);
            writeFileBytes(file, "#!/bin/sh\nexit 0\n");
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", m_dir.path().toUtf8());
    }
    ~FakePath() { qputenv("PATH", m_saved); }
    QString file(const QString& name) const { return m_dir.file(name); }

private:
    TempFolder m_dir;
    QByteArray m_saved;
};

} // namespace

struct MixerCase
{
    QStringList installed;
    Mixer::Page page;
    QString program; // empty: none found
    QStringList arguments;
};

class MixerTest : public ::testing::TestWithParam<MixerCase>
{
};

TEST_P(MixerTest, ChoosesTheInstalledMixerAndItsPage)
{
    const MixerCase& c = GetParam();
    FakePath path(c.installed);
    const Mixer::Command command = Mixer::command(c.page);
    EXPECT_EQ(command.program, c.program.isEmpty() ? QString() : path.file(c.program));
    QStringList arguments = c.arguments;
    arguments.replaceInStrings(QStringLiteral("@alsamixer"), path.file(QStringLiteral("alsamixer")));
    EXPECT_EQ(command.arguments, arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Installed, MixerTest,
    ::testing::Values(
        MixerCase{{"pavucontrol", "alsamixer", "xterm"}, Mixer::Page::Playback, "pavucontrol", {"--tab=1"}},
        MixerCase{{"pavucontrol"}, Mixer::Page::Recording, "pavucontrol", {"--tab=2"}},
        MixerCase{{"alsamixer", "x-terminal-emulator", "xterm"},
                  Mixer::Page::Recording,
                  "x-terminal-emulator",
                  {"-e", "@alsamixer", "-V", "capture"}},
        MixerCase{{"alsamixer", "xterm"}, Mixer::Page::Playback, "xterm", {"-e", "@alsamixer", "-V", "playback"}},
        // alsamixer needs a terminal to show in
        MixerCase{{"alsamixer"}, Mixer::Page::Playback, "", {}}, MixerCase{{}, Mixer::Page::Playback, "", {}}));

TEST(MixerOpen, FailsWhenNoMixerIsInstalled)
{
    FakePath path({});
    EXPECT_FALSE(Mixer::open(Mixer::Page::Playback));
}
