#pragma once

#include <QString>
#include <memory>

class KeyStore;
class WindowLookup;

// "&Clear History": empties the recent-file lists that two other media players keep in
// the user's key store, after asking the user to close a player that is running.
class HistoryCommands
{
public:
    HistoryCommands(std::unique_ptr<KeyStore> keys, std::unique_ptr<WindowLookup> windows);
    ~HistoryCommands();

    void ActionClearRealOneExecute();
    void ActionClearMediaPlayerExecute();

    // The deletion loops alone; each gives the number of entries deleted.
    int clearRealOneList();
    int clearMediaPlayerList();

private:
    // False when the player's window is open and the user chose not to go on.
    bool playerClosedOrIgnored(const QString& windowClass, const QString& question);

    std::unique_ptr<KeyStore> m_keys;
    std::unique_ptr<WindowLookup> m_windows;
};
