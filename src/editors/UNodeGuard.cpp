#include "editors/UNodeGuard.h"

#include "documents/ProjectDocuments.h"

#include "core/Error.h"
#include "core/ProjectState.h"
#include "widgets/EditorGrid.h"
#include "widgets/GuiSupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordane {

namespace {

enum Column { kNodeId = 1, kGuardTime, kLifeTimeFactor, kMnemonic };

} // namespace

TFNodeGuard::TFNodeGuard(const AppServices& services, const ProjectState& state, QWidget* parent)
    : EditorDialog(services, parent), m_services(services), m_state(state) {
    setObjectName(QStringLiteral("FNodeGuard"));
    setWindowTitle(tr("Set Node Guarding"));
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(tr("Insert here the ID device to check with NodeGuard"));
    note->setObjectName(QStringLiteral("LabelNodes"));
    layout->addWidget(note);

    m_grid = new EditorGrid(NodeGuardSettings::kRows, {tr("N"), tr("Node ID"), tr("Guard Time"),
                                                       tr("Life Time Factor"), tr("Mnemonic")});
    m_grid->setObjectName(QStringLiteral("NodeGrid"));
    m_grid->setColumnWidth(kNodeId, 90);
    m_grid->setColumnWidth(kGuardTime, 90);
    m_grid->setColumnWidth(kLifeTimeFactor, 110);
    m_grid->setColumnWidth(kMnemonic, 200);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    labelControl(note, m_grid);
    layout->addWidget(m_grid, 1);

    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("FramePanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto* panelLayout = new QVBoxLayout(panel);
    auto* frameNote = new QLabel(tr("Insert the Frame J1939 with state of NodeGuard"));
    frameNote->setObjectName(QStringLiteral("LabelFrames"));
    panelLayout->addWidget(frameNote);
    auto* frames = new QGridLayout;
    frames->setHorizontalSpacing(10);
    J1939FrameLine::addHeads(frames, 0);
    std::vector<QWidget*> tabOrder{m_grid};
    for (int k = 1; k <= NodeGuardSettings::kFrames; ++k) {
        auto* number = new QLabel(QString::number(k));
        frames->addWidget(number, k, 0);
        J1939FrameLine& line = m_lines[std::size_t(k - 1)];
        line = J1939FrameLine::add(frames, k, k, true, tr("Frame J1939 %1").arg(k));
        number->setBuddy(line.priority);
        for (QWidget* control : line.controls())
            tabOrder.push_back(control);
    }
    frames->setColumnStretch(6, 1);
    panelLayout->addLayout(frames);
    layout->addWidget(panel);

    const auto [ok, cancel] = makeOkCancel(this, &TFNodeGuard::OkClick, &TFNodeGuard::CancelClick);
    m_ok = ok;
    layout->addWidget(okCancelBox(this, {ok, cancel}, &tabOrder));

    resize(660, 720);
}

void TFNodeGuard::FormShow() {
    m_grid->clearData();
    const auto folder = m_state.projectFolder();
    m_model.load(folder);
    // An unreadable table is not reported: the rows read before the problem are shown.
    if (!m_model.table().found)
        m_services.messages.info(kFileXmlNotFound);
    for (const Finding& problem : m_model.loadProblems())
        if (problem.document == documents::guardFrames.fileName)
            m_services.messages.error(problem.message);
    for (int row = 1; row <= NodeGuardSettings::kRows; ++row) {
        const GuardedNode& cells = m_model.node(row);
        m_grid->setCell(row, kNodeId, cells.nodeId);
        m_grid->setCell(row, kGuardTime, cells.guardTime);
        m_grid->setCell(row, kLifeTimeFactor, cells.lifeTimeFactor);
        m_grid->setCell(row, kMnemonic, cells.mnemonic);
    }
    showFrames(m_lines, m_model);
    centreOnScreen(this);
    markSaved();
    m_ok->setFocus();
}

void TFNodeGuard::OkClick() {
    for (int row = 1; row <= NodeGuardSettings::kRows; ++row)
        m_model.node(row) = {m_grid->cell(row, kNodeId), m_grid->cell(row, kGuardTime),
                             m_grid->cell(row, kLifeTimeFactor), m_grid->cell(row, kMnemonic)};
    takeFrames(m_lines, m_model);
    const std::vector<std::string> failures = messagesOf(m_model.failures());
    for (const std::string& failure : failures)
        m_services.messages.info(failure);
    if (!failures.empty())
        return;
    // After a failed write the window stays open, so the typed rows are not lost.
    if (m_model.saveTelling(m_state.projectFolder(), m_services.messages))
        accept();
}

void TFNodeGuard::CancelClick() {
    reject();
}

} // namespace ordane
