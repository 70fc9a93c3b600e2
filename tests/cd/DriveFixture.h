#pragma once

#include "CdTestDoubles.h"

#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "settings/TSettings.h"
#include "support/TempFolder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// An output folder "out" and one opened drive, a generated image or a scripted disc, for
// tests that run the extraction thread. The drive source is reset after every test so no
// test sees the previous one's disc.
class DriveFixture : public ::testing::Test
{
protected:
    // Plain extraction into "out": no time limit, no normalising, the drive read as it is.
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(m_folder.file("out")));
        TSettings& s = settings();
        s.OutputFolder = m_folder.file("out");
        s.EnableRipTime = false;
        s.RipTime = 0;
        s.IsNormalize = false;
        s.NormalizePercent = 100;
        s.SecureMode = false;
        s.ReadOffset = 0;
    }

    void TearDown() override
    {
        CloseCDHandle(m_handle);
        tarnwick::setCDDeviceSource(nullptr);
        settings().SecureMode = false;
        settings().ReadOffset = 0;
    }

    void useImage(int firstTrack, const std::vector<std::int64_t>& frames)
    {
        DiscImageWriter writer;
        writer.setFirstTrack(firstTrack);
        for (const std::int64_t f : frames) {
            writer.addTrack(f);
        }
        useImage(writer);
    }
    void useImage(const DiscImageWriter& writer)
    {
        const QString cue = m_folder.file("disc.cue");
        ASSERT_TRUE(writer.write(cue));
        m_bin = readFileBytes(m_folder.file("disc.bin"));
        m_image = std::make_shared<ImageDeviceSource>(QStringList{cue});
        tarnwick::setCDDeviceSource(m_image);
        m_handle = openDrive(0);
        ASSERT_NE(m_handle, 0u);
    }

    void useScripted(const ScriptedDisc& disc)
    {
        auto source = std::make_shared<ScriptedDeviceSource>();
        source->addDrive(disc);
        tarnwick::setCDDeviceSource(source);
        m_handle = openDrive(0);
        ASSERT_NE(m_handle, 0u);
    }

    TempFolder m_folder;
    QByteArray m_bin;
    std::shared_ptr<ImageDeviceSource> m_image;
    CDHandle m_handle = 0;
};
