#include "editors/FrameListWindow.h"

#include "core/Error.h"
#include "core/ProjectState.h"
#include "documents/DbcFile.h"
#include "documents/DocumentFiles.h"
#include "editors/UDbcImport.h"
#include "widgets/EditorGrid.h"
#include "widgets/GuiSupport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ordane {

FrameListWindow::FrameListWindow(FrameSide side, const char* objectName,
                                 const AppServices& services, const ProjectState& state,
                                 QWidget* parent)
    : QDialog(parent), m_services(services), m_state(state), m_model(side) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(QLatin1String(m_model.caption()));

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("PageControl"));
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Can0ModBus"));
    m_pageLayout = new QVBoxLayout(page);
    m_pageLayout->setContentsMargins(2, 2, 2, 2);
    m_tabs->addTab(page, tr("Can0-ModBus"));

    const auto [ok, cancel] =
        makeOkCancel(this, &FrameListWindow::OkClick, &FrameListWindow::CancelClick);
    m_ok = ok;
    auto* exportButton = makeButton(this, QStringLiteral("Export"), tr("Export"));
    auto* importButton = makeButton(this, QStringLiteral("Import"), tr("Import"));
    connect(exportButton, &QPushButton::clicked, this, &FrameListWindow::ExportClick);
    connect(importButton, &QPushButton::clicked, this, &FrameListWindow::ImportClick);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_ok);
    bar->addWidget(cancel);
    bar->addStretch();
    bar->addWidget(exportButton);
    bar->addWidget(importButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(bar);

    m_dbcDialog = new TFDbcImport(services, this);
    connect(m_dbcDialog, &QDialog::accepted, this, &FrameListWindow::DbcImportAccepted);

    buildGrid();
    setTabOrder(m_tabs, m_grid);
    setTabOrder(m_grid, m_ok);
    setTabOrder(m_ok, cancel);
    setTabOrder(cancel, exportButton);
    setTabOrder(exportButton, importButton);

    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(m_model.side() == FrameSide::Received ? 560 : 640, 600);
}

void FrameListWindow::buildGrid() {
    QStringList headers{QStringLiteral("N")};
    for (const std::string& title : m_model.columnTitles())
        headers << toQt(title);
    auto* grid = new EditorGrid(m_model.rowCount(), headers);
    grid->setObjectName(QStringLiteral("Grid"));
    grid->setAccessibleName(QLatin1String(m_model.caption()));
    if (m_model.deleteColumn() > 0)
        grid->setCheckColumn(m_model.deleteColumn());
    grid->clearData();
    // Number columns sized for hexadecimal texts; the mnemonic takes the rest.
    for (int c = 1; c < m_model.columnCount(); ++c)
        grid->setColumnWidth(c, c == m_model.deleteColumn() ? 60 : 80);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    grid->setWordWrap(false);
    if (m_grid) {
        m_pageLayout->replaceWidget(m_grid, grid);
        delete m_grid;
        QWidget::setTabOrder(m_tabs, grid);
        QWidget::setTabOrder(grid, m_ok);
    } else {
        m_pageLayout->addWidget(grid);
    }
    m_grid = grid;
}

void FrameListWindow::setMode(int side) {
    const FrameSide wanted = side == 2 ? FrameSide::Transmitted : FrameSide::Received;
    if (wanted == m_model.side())
        return;
    m_model = J1939FrameList(wanted);
    buildGrid();
}

void FrameListWindow::FormShow() {
    m_pendingMapping.reset();
    m_pendingKept.reset();
    setWindowTitle(QLatin1String(m_model.caption()));
    m_model.load(m_state.projectFolder());
    reportLoadProblems(m_model, m_services.messages);
    fillGrid();
    m_tabs->setCurrentIndex(0);
    centreOnScreen(this);
    m_ok->setFocus();
}

void FrameListWindow::fillGrid() {
    m_grid->setRowCount(m_model.rowCount());
    m_grid->clearData();
    for (int r = 1; r <= m_model.rowCount(); ++r)
        for (int c = 1; c <= m_model.columnCount(); ++c)
            if (const std::string& text = m_model.cell(r, c); !text.empty())
                m_grid->setCell(r, c, text);
}

void FrameListWindow::readGrid() {
    m_model.clear();
    for (int r = 1; r <= m_grid->dataRows(); ++r)
        for (int c = 1; c <= m_model.columnCount(); ++c)
            m_model.setCell(r, c, m_grid->cell(r, c));
}

void FrameListWindow::OkClick() {
    readGrid();
    if (const auto failure = m_model.firstFinding()) {
        m_services.messages.error(failure->message);
        return;
    }
    // The signals of a DBC import are mapped to frames by their rows: after the imported
    // frames were changed in the grid they would land on other frames.
    if (m_pendingMapping) {
        std::vector<std::string> labels = frameLabels(m_model);
        labels.resize(std::min(labels.size(), m_importedLabels.size()));
        if (labels != m_importedLabels) {
            if (!m_services.dialogs.confirm(
                    this, windowTitle(),
                    tr("The frames imported from the DBC file were changed in the grid, so their "
                       "signals can no longer be mapped to them.\n\nSave the frame list without "
                       "the SDO mapping of the signals?")))
                return;
            m_pendingMapping.reset();
        }
    }
    // The mapping of a DBC import is checked before anything is written.
    std::optional<SdoMapping> mapping;
    if (m_pendingMapping) {
        mapping.emplace(m_model.side() == FrameSide::Received ? SdoSide::Received
                                                              : SdoSide::Transmitted);
        if (!reportingErrors(m_services.messages, [&] {
                applyMappingPlan(*mapping, m_state.projectFolder(), m_model, *m_pendingMapping);
            }))
            return;
    }
    std::optional<KeptSignals> kept;
    if (!reportingErrors(m_services.messages, [&] { kept = keptSignalsToSave(); }))
        return;
    if (!reportingErrors(m_services.messages, [&] {
            m_model.save(m_state.projectFolder());
            if (mapping)
                mapping->save(m_state.projectFolder());
            if (kept)
                kept->save(m_state.projectFolder());
        }))
        return;
    m_pendingMapping.reset();
    m_pendingKept.reset();
    accept();
}

void FrameListWindow::CancelClick() {
    reject();
}

void FrameListWindow::ExportClick() {
    readGrid();
    try {
        m_model.exportCsv(m_state.projectFolder());
    } catch (const Error& e) {
        m_services.messages.error(e.what());
    }
}

void FrameListWindow::ImportClick() {
    const auto workbook = m_services.dialogs.openFile(
        this, tr("Import"), m_state.projectFolder(),
        QStringLiteral("File EXCEL (*.xls);;File CSV (*.csv);;DBC file (*.dbc)"));
    if (!workbook)
        return;
    if (equalsIgnoringCase(workbook->extension().string(), ".dbc")) {
        importDbc(*workbook);
        return;
    }
    m_pendingMapping.reset();
    m_pendingKept.reset();
    try {
        m_model.importWorkbook(*workbook);
    } catch (const Error&) {
        // An import that fails ends without a message; what it filled stays in the grid.
    }
    fillGrid();
}

void FrameListWindow::importDbc(const std::filesystem::path& file) {
    // A file that cannot be read is reported; the grid stays as it was.
    std::unique_ptr<DbcImport> import;
    if (!reportingErrors(m_services.messages, [&] {
            import = std::make_unique<DbcImport>(readDbcFile(file), m_model.side());
        }))
        return;
    const SdoSide side =
        m_model.side() == FrameSide::Received ? SdoSide::Received : SdoSide::Transmitted;
    std::size_t existing = 0;
    if (!reportingErrors(m_services.messages,
                         [&] { existing = existingSdoEntries(m_state.projectFolder(), side); }))
        return;
    m_dbcSelection.reset();
    m_dbcImport = std::move(import);
    m_dbcSelection = std::make_unique<DbcSelection>(*m_dbcImport);
    m_dbcDialog->setSelection(m_dbcSelection.get(), m_state.projectFolder(), existing);
    m_dbcDialog->FormShow();
    m_dbcDialog->open();
}

void FrameListWindow::DbcImportAccepted() {
    if (!m_dbcSelection)
        return;
    const std::vector<std::size_t> chosen = m_dbcSelection->chosen();
    if (!reportingErrors(m_services.messages, [&] { m_dbcImport->fillFrameList(m_model, chosen); }))
        return;
    fillGrid();
    if (m_dbcSelection->mapSignals) {
        m_pendingMapping = m_dbcImport->planMapping(chosen, m_dbcSelection->firstIndex());
        m_importedLabels = frameLabels(m_model);
    } else {
        m_pendingMapping.reset();
    }
    m_pendingKept = m_dbcImport->keptSide(chosen, m_pendingMapping ? &*m_pendingMapping : nullptr);
}

std::optional<KeptSignals> FrameListWindow::keptSignalsToSave() const {
    if (!m_pendingKept)
        return std::nullopt;
    KeptSide part = *m_pendingKept;
    // Signals only with the mapping they were planned for; frames changed in the grid no
    // longer match their messages and are left out when looked up.
    if (!m_pendingMapping)
        part.signalList.clear();
    return keptSignalsWith(m_state.projectFolder(), m_model.side(), std::move(part));
}

} // namespace ordane
