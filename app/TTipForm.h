#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

// "Tip of the Day": a page of hints chosen at random, with the choice whether to show
// it at every start.
class TTipForm : public QDialog
{
    Q_OBJECT
public:
    explicit TTipForm(QWidget* parent = nullptr);

    static int pageCount();
    static QStringList pageLines(int page);

    int page() const;
    void setPage(int page);

    void FormShow();
    void suitempbNextClick();
    // Stores the choice when it changed (writing options.ini at once) and closes.
    void suitempbCloseClick();

    QComboBox* cbOption() const { return m_cbOption; }
    QStackedWidget* Notebook1() const { return m_notebook; }
    // Where the settings go when the choice changed; options.ini beside the program
    // unless a test says otherwise.
    void setSettingsPath(const QString& path) { m_settingsPath = path; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStackedWidget* m_notebook = nullptr;
    QComboBox* m_cbOption = nullptr;
    QPushButton* m_bNext = nullptr;
    QPushButton* m_bClose = nullptr;
    QString m_settingsPath;
};
