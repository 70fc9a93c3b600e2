#include "meta/Id3TestFiles.h"
#include "meta/gui/TfrmID3Edit.h"
#include "platform/ScriptedPrompt.h"
#include "settings/TSettings.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

QByteArray runTool(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    *exitCode = -1;
    if (!process.waitForStarted(-1)) {
        return {};
    }
    process.waitForFinished(-1);
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

bool installed(const char* tool)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty();
}

// A real MP3 made by ffmpeg with an ID3v1 tag and nothing else; the editor changes the artist and the reference readers
// must see the change.
TEST(ID3EditReference, EditedTagReadsBackInFfprobeAndId3v2)
{
    if (!installed("ffmpeg") || !installed("ffprobe") || !installed("id3v2")) {
        GTEST_SKIP() << "ffmpeg, ffprobe and id3v2 are needed";
    }
    TempFolder dir;
    const QString file = dir.file(QStringLiteral("song.mp3"));
    int code = -1;
    runTool(QStringLiteral("ffmpeg"),
            {"-v",
             "error",
             "-y",
             "-f",
             "lavfi",
             "-i",
             "sine=frequency=440:duration=0.3",
             "-ac",
             "1",
             "-ar",
             "22050",
             "-c:a",
             "libmp3lame",
             "-b:a",
             "32k",
             "-id3v2_version",
             "0",
             "-write_xing",
             "0",
             "-map_metadata",
             "-1",
             file},
            &code);
    ASSERT_EQ(code, 0);
    // The tag the editor opens is id3v2's own (ID3v1 only).
    runTool(QStringLiteral("id3v2"), {"-1", "-t", "Morning", "-a", "Someone", "-T", "4", file}, &code);
    ASSERT_EQ(code, 0);

    auto prompt = std::make_shared<ScriptedPrompt>();
    Prompt::install(prompt);
    settings() = TSettings{};
    {
        TfrmID3Edit form;
        prompt->queueOpenFiles({file});
        form.suitempbLoadTagClick();
        ASSERT_EQ(form.ID3title->text(), QStringLiteral("Morning"));
        ASSERT_EQ(form.ID3artist->text(), QStringLiteral("Someone"));
        form.ID3artist->setText(QStringLiteral("Somebody Else"));
        form.ID3year->setText(QStringLiteral("2001"));
        form.ID3genre->setCurrentText(QStringLiteral("Jazz"));
        form.aSaveTagExecute();
    }
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    Prompt::install(nullptr);

    const QByteArray probe =
        runTool(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format_tags", "-of", "json", file}, &code);
    ASSERT_EQ(code, 0);
    const QJsonObject tags = QJsonDocument::fromJson(probe).object()["format"].toObject()["tags"].toObject();
    EXPECT_EQ(tags["title"].toString(), QStringLiteral("Morning"));
    EXPECT_EQ(tags["artist"].toString(), QStringLiteral("Somebody Else"));
    EXPECT_EQ(tags["date"].toString(), QStringLiteral("2001"));
    EXPECT_EQ(tags["track"].toString(), QStringLiteral("4"));
    EXPECT_EQ(tags["genre"].toString(), QStringLiteral("Jazz"));

    const QByteArray listed = runTool(QStringLiteral("id3v2"), {"-l", file}, &code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(listed.contains("Somebody Else")) << listed.toStdString();
    EXPECT_TRUE(listed.contains("Morning")) << listed.toStdString();
}

} // namespace
