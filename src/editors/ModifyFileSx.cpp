#include "editors/ModifyFileSx.h"

#include "firmware/FlashToolRun.h"
#include "firmware/ProjectMerge.h"

#include "core/Error.h"
#include "core/ProjectState.h"
#include "widgets/GuiSupport.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <system_error>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFlashTool = "Burnidor.exe";

} // namespace

TFModifyFileSx::TFModifyFileSx(const AppServices& services, const ProjectState& state,
                               QWidget* parent)
    : QDialog(parent), m_services(services), m_state(state),
      m_merge(services.messages, {[this](int maximum) { m_progress->setMaximum(maximum); },
                                  [this](int position) { m_progress->setValue(position); }}) {
    setObjectName(QStringLiteral("FModifyFileSx"));
    setWindowTitle(tr("Generate Firmware"));

    m_close = new QPushButton(tr("X"));
    nameControl(m_close, QStringLiteral("CloseButton"), tr("Close"));
    m_close->setAutoDefault(false);
    m_close->setFixedWidth(28);
    connect(m_close, &QPushButton::clicked, this, &TFModifyFileSx::CloseButtonClick);

    m_port = new QComboBox;
    nameControl(m_port, QStringLiteral("ComPort"), tr("Serial port"));
    for (int i = 1; i <= 8; ++i)
        m_port->addItem(QStringLiteral("COM%1").arg(i));

    m_execute = new QPushButton(tr("Execute update firmware"));
    nameControl(m_execute, QStringLiteral("ExecuteUpdate"), m_execute->text());
    m_execute->setDefault(true);
    connect(m_execute, &QPushButton::clicked, this, &TFModifyFileSx::ExecuteUpdateClick);

    m_progress = new QProgressBar;
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setAccessibleName(tr("Progress"));
    m_progress->setMinimumWidth(320);

    m_output = new QPlainTextEdit;
    m_output->setObjectName(QStringLiteral("FlashOutput"));
    m_output->setAccessibleName(tr("Flash tool output"));
    m_output->setReadOnly(true);
    m_output->setFixedHeight(110);
    m_output->setPlaceholderText(tr("What the flash tool writes appears here."));

    auto* strip = new QFrame;
    strip->setObjectName(QStringLiteral("Strip"));
    strip->setFixedHeight(12);
    strip->setStyleSheet(QStringLiteral("QFrame#Strip { background-color: #87CEEB; }"));

    auto* top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(m_close);
    auto* row = new QHBoxLayout;
    row->addWidget(m_port);
    row->addSpacing(12);
    row->addWidget(m_execute, 1);
    auto* content = new QVBoxLayout;
    content->setContentsMargins(12, 6, 12, 12);
    content->addLayout(top);
    content->addLayout(row);
    content->addSpacing(6);
    content->addWidget(m_progress);
    content->addSpacing(6);
    content->addWidget(m_output);

    // The strip runs along the bottom edge, outside the margins of the controls.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(content);
    layout->addWidget(strip);

    setTabOrder(m_port, m_execute);
    setTabOrder(m_execute, m_output);
    setTabOrder(m_output, m_close);
    makeToolWindow(this);
}

void TFModifyFileSx::FormShow() {
    m_port->setCurrentIndex(0);
    m_progress->setMaximum(100);
    m_progress->setValue(0);
    m_execute->setEnabled(false);
    if (!m_services.launcher.running()) {
        m_output->clear();
        m_toolText.clear();
    }
    // A window not shown yet has no size of its own to centre.
    adjustSize();
    centreOnScreen(this);
    m_close->setFocus();

    std::error_code ec;
    const fs::path master = m_state.masterFolder();
    if (!fs::exists(master / kFirmwareTemplateName, ec)) {
        m_services.messages.error(std::string("Error file ") + kFirmwareTemplateName +
                                  " not found");
        return;
    }
    // The flash tool inherits this as its working directory.
    fs::current_path(master, ec);
    if (ec) {
        m_services.messages.error("Error");
        return;
    }
    // A tool still running from an earlier showing is not started twice.
    m_execute->setEnabled(!m_services.launcher.running());
    m_port->setFocus();
}

void TFModifyFileSx::ExecuteUpdateClick() {
    MergeOutcome outcome;
    try {
        outcome = mergeProjectBanks(m_merge, m_state.projectFolder(),
                                    m_state.masterFolder() / kFirmwareTemplateName);
    } catch (const Error& e) {
        m_services.messages.error(e.what());
        return;
    }
    updateDevice(outcome == MergeOutcome::Written);
}

void TFModifyFileSx::updateDevice(bool mergedThisRun) {
    std::error_code ec;
    const fs::path merged = m_merge.mergedFile();
    // An older merged firmware file is never flashed after a merge that stopped.
    if (!mergedThisRun || !fs::exists(merged, ec)) {
        m_services.messages.info("File *.Sx Not Found,Abort Procedure");
        return;
    }
    const fs::path tool = m_state.programFolder() / kFlashTool;
    if (!fs::exists(tool, ec)) {
        m_services.messages.info("Burnidor.exe Not Found, Procedure Aborted");
        return;
    }
    m_output->clear();
    m_toolText.clear();
    ProcessWatch watch;
    watch.output = [this](const std::string& text) {
        m_toolText += text;
        m_output->moveCursor(QTextCursor::End);
        QString shown = QString::fromLocal8Bit(text.data(), qsizetype(text.size()));
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        m_output->insertPlainText(shown);
        m_output->ensureCursorVisible();
    };
    watch.finished = [this](int exitCode, bool crashed) { toolEnded(exitCode, crashed); };
    std::string failure;
    if (!m_services.launcher.start(tool, {merged.string(), std::to_string(m_port->currentIndex())},
                                   failure, std::move(watch))) {
        m_services.messages.error(failure);
        return;
    }
    // One run at a time: the button comes back when the tool has ended.
    m_execute->setEnabled(false);
}

void TFModifyFileSx::toolEnded(int exitCode, bool crashed) {
    m_execute->setEnabled(true);
    const FlashToolEnd end = flashToolEnd(exitCode, crashed, m_toolText);
    if (end.succeeded)
        m_services.messages.info(end.message);
    else
        m_services.messages.error(end.message);
}

void TFModifyFileSx::CloseButtonClick() {
    reject();
}

} // namespace ordane
