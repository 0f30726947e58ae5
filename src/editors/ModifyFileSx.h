#pragma once

#include "firmware/SrecordMerge.h"
#include "widgets/Services.h"

#include <QDialog>

#include <string>

class QComboBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace ordane {

class ProjectState;

// "Generate Firmware": merges banks 1 and 2 into the template from MASTER and starts the
// flash tool with the merged firmware file and the chosen serial port, showing what the
// tool writes as it runs and telling how it ended.
class TFModifyFileSx : public QDialog {
    Q_OBJECT
public:
    TFModifyFileSx(const AppServices& services, const ProjectState& state,
                   QWidget* parent = nullptr);

    QPushButton* executeButton() const { return m_execute; }
    QComboBox* portList() const { return m_port; }
    QProgressBar* progressBar() const { return m_progress; }
    // What the flash tool writes while it runs.
    QPlainTextEdit* toolOutput() const { return m_output; }

public slots:
    void FormShow();
    void ExecuteUpdateClick();
    void CloseButtonClick();

private:
    // Starts the flash tool, but only with a merged firmware file written by this run.
    void updateDevice(bool mergedThisRun);
    void toolEnded(int exitCode, bool crashed);

    const AppServices& m_services;
    const ProjectState& m_state;
    SrecordMerge m_merge;
    QPushButton* m_close;
    QPushButton* m_execute;
    QComboBox* m_port;
    QProgressBar* m_progress;
    QPlainTextEdit* m_output;
    std::string m_toolText;
};

} // namespace ordane
