#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>

class CHashRun;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The checksum dialog, a member of the main window that runs modally for one
// completed download: it hashes the file on a thread of its own and shows the
// digest in lower-case hexadecimal. Closing it stops the run without waiting;
// the run keeps its own state, so a run still ending after the dialog closed
// can never show itself in a later opening, and the destructor waits for it.
class CChecksumDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kPollMs = 250;

    explicit CChecksumDialog(QWidget* parent);
    ~CChecksumDialog() override;

    // Sets the dialog up afresh for the file and runs it modally.
    int Open(const QString& path);

    // Stops the run and the timer, then closes: Cancel, Esc, Enter and the close box.
    void done(int result) override;

    QString m_strFilePath;

protected:
    // Enter closes the dialog unless a push button has the focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnInitDialog();
    void OnCalculate();
    void OnTimer();
    void ShowFailure();
    void SetControlsEnabled(bool enabled);

    QLineEdit* m_editFile;       // 1044
    QComboBox* m_listAlgorithm;  // 1179
    QPlainTextEdit* m_editHash;  // 1178
    QPushButton* m_btnCalculate; // 1177
    QTimer m_timer;
    std::unique_ptr<CHashRun> m_run; // the last run, finished or not
};
