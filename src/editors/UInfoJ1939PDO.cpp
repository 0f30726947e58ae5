#include "editors/UInfoJ1939PDO.h"

#include "core/Error.h"
#include "core/ProjectState.h"
#include "widgets/EditorGrid.h"
#include "widgets/GuiSupport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordane {

TFInfoJ1939PDO::TFInfoJ1939PDO(const AppServices& services, const ProjectState& state,
                               QWidget* parent)
    : EditorDialog(services, parent), m_services(services), m_state(state) {
    setObjectName(QStringLiteral("FInfoJ1939PDO"));
    auto* layout = new QVBoxLayout(this);
    m_grid = new EditorGrid(int(PdoMapping::kRows),
                            {tr("N"), tr("COB-ID"), tr("Dimension"), tr("Start Byte"),
                             tr("J1939 Frame"), tr("Mnemonic")});
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->setAccessibleName(tr("PDO definitions"));
    m_grid->setChoiceColumn(Frame, {});
    m_grid->setColumnWidth(CobId, 80);
    m_grid->setColumnWidth(Dimension, 80);
    m_grid->setColumnWidth(StartByte, 80);
    m_grid->setColumnWidth(Frame, 160);
    m_grid->setColumnWidth(Mnemonic, 220);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    // Tall enough for the four rows, no more.
    m_grid->setMinimumWidth(720);
    m_grid->setFixedHeight(m_grid->horizontalHeader()->sizeHint().height() +
                           int(PdoMapping::kRows) * m_grid->verticalHeader()->defaultSectionSize() +
                           2 * m_grid->frameWidth());
    layout->addWidget(m_grid);

    auto* bottom = new QHBoxLayout;
    const auto [ok, cancel] =
        makeOkCancel(this, &TFInfoJ1939PDO::OkClick, &TFInfoJ1939PDO::CancelClick);
    m_ok = ok;
    bottom->addWidget(m_ok);
    bottom->addWidget(cancel);
    bottom->addStretch();
    layout->addLayout(bottom);
    setTabOrder(m_grid, m_ok);
    setTabOrder(m_ok, cancel);

    setMode(2);
}

void TFInfoJ1939PDO::setMode(int direction) {
    m_model = PdoMapping(direction == 1 ? PdoDirection::Rpdo : PdoDirection::Tpdo);
    setWindowTitle(direction == 1 ? tr("Receive J1939 Frame Info PDO")
                                  : tr("Transmit J1939 Frame Info PDO"));
}

void TFInfoJ1939PDO::FormShow() {
    m_grid->clearData();
    m_grid->setChoices(Frame, {});
    setMode(static_cast<int>(m_model.direction()));

    m_model.load(m_state.projectFolder());
    m_model.tellLoadProblems(m_services.messages);
    QStringList choices;
    for (const std::string& choice : m_model.frameChoices())
        choices << toQt(choice);
    m_grid->setChoices(Frame, choices);
    for (std::size_t r = 0; r < PdoMapping::kRows; ++r) {
        const PdoDefinition& pdo = m_model.rows()[r];
        const int row = int(r) + 1;
        m_grid->setCell(row, CobId, pdo.cobId);
        m_grid->setCell(row, Dimension, pdo.dimension);
        m_grid->setCell(row, StartByte, pdo.offset);
        m_grid->setCell(row, Frame, pdo.frame);
        m_grid->setCell(row, Mnemonic, pdo.mnemonic);
    }
    adjustSize(); // the layout's size, so that the window is centred as it will show
    centreOnScreen(this);
    markSaved();
    m_ok->setFocus();
}

void TFInfoJ1939PDO::OkClick() {
    for (std::size_t r = 0; r < PdoMapping::kRows; ++r) {
        PdoDefinition& pdo = m_model.rows()[r];
        const int row = int(r) + 1;
        pdo.cobId = m_grid->cell(row, CobId);
        pdo.dimension = m_grid->cell(row, Dimension);
        pdo.offset = m_grid->cell(row, StartByte);
        pdo.frame = m_grid->cell(row, Frame);
        pdo.mnemonic = m_grid->cell(row, Mnemonic);
    }
    if (auto message = m_model.firstFailure()) {
        m_services.messages.error(*message);
        return;
    }
    if (reportingErrors(m_services.messages, [&] { m_model.save(m_state.projectFolder()); }))
        accept();
}

void TFInfoJ1939PDO::CancelClick() {
    reject();
}

} // namespace ordane
