#pragma once

#include <QDialog>

class QLabel;

// The hint shown at start-up when no CD drive could be opened: what usually causes it
// and where to get the drivers.
class TNoDeviceForm : public QDialog
{
    Q_OBJECT
public:
    explicit TNoDeviceForm(QWidget* parent = nullptr);

    static QString adaptecAddress();
    static QString forceAspiAddress();

    void FormCreate();
    void lAdaptecClick();
    void lForceASPIClick();

    QLabel* lAdaptec() const { return m_lAdaptec; }
    QLabel* lForceASPI() const { return m_lForceASPI; }

private:
    QLabel* m_lAdaptec = nullptr;
    QLabel* m_lForceASPI = nullptr;
};
