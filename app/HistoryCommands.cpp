#include "app/HistoryCommands.h"

#include "platform/KeyStore.h"
#include "platform/Prompt.h"
#include "platform/WindowLookup.h"

namespace {

const QString kDeleted = QStringLiteral(" list records are deleted!");
const QString kRealOneClips = QStringLiteral("\\Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\");
const QString kMediaPlayerFiles = QStringLiteral("\\Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList\\");

} // namespace

HistoryCommands::HistoryCommands(std::unique_ptr<KeyStore> keys, std::unique_ptr<WindowLookup> windows)
    : m_keys(std::move(keys)), m_windows(std::move(windows))
{
}

HistoryCommands::~HistoryCommands() = default;

bool HistoryCommands::playerClosedOrIgnored(const QString& windowClass, const QString& question)
{
    if (!m_windows || !m_windows->topLevelWindowExists(windowClass)) {
        return true;
    }
    return Prompt::instance().question(question, Prompt::Answer::No) == Prompt::Answer::Yes;
}

int HistoryCommands::clearRealOneList()
{
    int deleted = 0;
    for (int n = 1; n <= 8; ++n) {
        if (!m_keys->deleteKey(kRealOneClips + QStringLiteral("MostRecentClips") + QString::number(n))) {
            break;
        }
        ++deleted;
    }
    return deleted;
}

int HistoryCommands::clearMediaPlayerList()
{
    int deleted = 0;
    if (!m_keys->keyExists(kMediaPlayerFiles)) {
        return deleted;
    }
    for (int n = 0; n <= 8; ++n) {
        if (!m_keys->deleteValue(kMediaPlayerFiles, QStringLiteral("File") + QString::number(n))) {
            break;
        }
        ++deleted;
    }
    return deleted;
}

void HistoryCommands::ActionClearRealOneExecute()
{
    if (!playerClosedOrIgnored(QStringLiteral("GeminiWindowClass"),
                               QStringLiteral("Please close RealOne Player firstly.Continue?"))) {
        return;
    }
    Prompt::instance().information(QString::number(clearRealOneList()) + kDeleted);
}

void HistoryCommands::ActionClearMediaPlayerExecute()
{
    if (!playerClosedOrIgnored(QStringLiteral("WMPlayerApp"),
                               QStringLiteral("Please close Windows Media Player firstly.Continue?"))) {
        return;
    }
    Prompt::instance().information(QString::number(clearMediaPlayerList()) + kDeleted);
}
