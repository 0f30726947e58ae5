#include "editors/FrameListWindow.h"

#include "core/Error.h"
#include "core/ProjectState.h"
#include "documents/DbcFile.h"
#include "documents/CsvExport.h"
#include "documents/DocumentFiles.h"
#include "model/FrameReferences.h"
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
    : EditorDialog(services, parent), m_services(services), m_state(state), m_model(side) {
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
    markSaved();
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
    // Frames are referred to by their row: the references follow them to their new rows.
    const auto references = followReferences(!mapping);
    if (!references)
        return;
    if (!reportingErrors(m_services.messages, [&] {
            m_model.save(m_state.projectFolder());
            if (mapping)
                mapping->save(m_state.projectFolder());
            writePlannedDocuments(*references);
            if (kept)
                kept->save(m_state.projectFolder());
        }))
        return;
    m_pendingMapping.reset();
    m_pendingKept.reset();
    accept();
}

std::optional<std::vector<PlannedDocument>>
FrameListWindow::followReferences(bool includeSdoMapping) {
    const std::filesystem::path& folder = m_state.projectFolder();
    FrameReferencePlan plan;
    std::vector<PlannedDocument> documents;
    if (!reportingErrors(m_services.messages, [&] {
            plan = planFrameReferences(folder, m_model.side(), m_model.frameIdentities(),
                                       includeSdoMapping);
            documents = repointedDocuments(folder, plan);
        }))
        return std::nullopt;
    if (!plan.lost.empty()) {
        std::vector<std::string> lines;
        for (const FrameReference& ref : plan.lost)
            lines.push_back(ref.line());
        const QString text =
            tr("These rows refer to frames that are no longer in the list:%1\n\nRemove them "
               "and save the frame list, or cancel?")
                .arg(listedLines(lines));
        const QStringList answers{tr("Remove them"), tr("Cancel")};
        if (m_services.dialogs.choose(this, windowTitle(), text, answers, 1) != 0)
            return std::nullopt;
    }
    return documents;
}

bool FrameListWindow::replaceByImport(const J1939FrameList& imported) {
    readGrid();
    const std::vector<int> follow =
        followFrames(m_model.frameIdentities(), imported.frameIdentities());
    std::vector<std::string> gone;
    const int pgn = m_model.side() == FrameSide::Received ? 1 : 3;
    for (int row = 1; row <= m_model.tableRows(); ++row)
        if (follow[std::size_t(row)] == 0)
            gone.push_back("row " + std::to_string(row) + ": PGN " + m_model.cell(row, pgn) +
                           ", ID Device " + m_model.cell(row, pgn + 1) + " " +
                           m_model.cell(row, m_model.columnCount()));
    if (!gone.empty() &&
        !m_services.dialogs.confirm(
            this, windowTitle(),
            tr("The import replaces the frame list. These frames of the grid are not in it and "
               "would be gone:%1\n\nReplace the frame list?")
                .arg(listedLines(gone))))
        return false;
    m_model = imported;
    fillGrid();
    return true;
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
        return;
    }
    emit exported(toQt(m_state.projectFolder() / kCsvExportFileName));
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
    J1939FrameList imported(m_model.side());
    try {
        imported.importWorkbook(*workbook);
    } catch (const Error&) {
        // An import that fails ends without a message; what it filled goes to the grid.
    }
    if (replaceByImport(imported)) {
        m_pendingMapping.reset();
        m_pendingKept.reset();
    }
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
    J1939FrameList imported(m_model.side());
    if (!reportingErrors(m_services.messages, [&] { m_dbcImport->fillFrameList(imported, chosen); }))
        return;
    if (!replaceByImport(imported))
        return;
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
