#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/BusWindow.h"
#include "app/NewProjectDialog.h"
#include "widgets/GuiSupport.h"
// communication parameters and J1939 frame lists
#include "editors/UTpdo2MB.h"
#include "editors/Upargen.h"
#include "editors/UpdoMB.h"

// SDO and PDO mapping
#include "editors/UInfoJ1939PDO.h"
#include "editors/UInfoPdoMB.h"
#include "editors/UInfoTPdoMB.h"

// SDO client frames and node guarding
#include "editors/UNodeGuard.h"
#include "editors/USDO_Client.h"

// device image, EDS and firmware
#include "check/ProjectCheck.h"
#include "compiler/DeviceImage.h"
#include "compiler/UpdateBanks.h"
#include "dbc/DbcExport.h"
#include "editors/ModifyFileSx.h"
#include "eds/DcfWriter.h"
#include "eds/EdsWriter.h"
#include "model/CommissionedNode.h"
#include "report/MappingReport.h"

#include "core/Error.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QVBoxLayout>

#include <vector>

namespace ordane {

MainWindow::MainWindow(const AppServices& services, const std::filesystem::path& programFolder,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_services(services), m_state(programFolder) {
    setObjectName(QStringLiteral("MainWindow"));

    auto* outer = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addStretch();
    auto* report = addButton("report", tr("Report"), &MainWindow::reportClick);
    report->setAccessibleName(tr("Mapping report"));
    report->setFixedWidth(60);
    top->addWidget(report);
    m_projectSteps.push_back(report);
    auto* bus = addButton("bus", tr("Bus"), &MainWindow::busClick);
    bus->setAccessibleName(tr("Live CAN buses"));
    bus->setFixedWidth(60);
    top->addWidget(bus);
    m_projectSteps.push_back(bus);
    auto* about = addButton("about", tr("About"), &MainWindow::aboutClick);
    auto* close = addButton("LbButton1", tr("X"), &MainWindow::LbButton1Click);
    close->setAccessibleName(tr("Close"));
    about->setFixedWidth(60);
    close->setFixedWidth(28);
    top->addWidget(about);
    top->addWidget(close);
    outer->addLayout(top);

    auto* steps = new QGridLayout;
    struct Button {
        int step;
        const char* name;
        const char* caption;
        void (MainWindow::*slot)();
    };
    const Button buttons[] = {
        {1, "New", "New project", &MainWindow::NewClick},
        {1, "open", "Open project", &MainWindow::openClick},
        {2, "btn_Prm_Gen", "Set Communication", &MainWindow::btn_Prm_GenClick},
        {3, "btn_RCOB", "Receive J1939", &MainWindow::btn_RCOBClick},
        {3, "btn_Info_RCOB", "Define SDO", &MainWindow::btn_Info_RCOBClick},
        {3, "btn_RPDO_J1939", "Define TPDO", &MainWindow::btn_RPDO_J1939Click},
        {4, "btn_TCOB", "Transmit J1939", &MainWindow::btn_TCOBClick},
        {4, "btn_Info_TCOB", "Define SDO", &MainWindow::btn_Info_TCOBClick},
        {4, "btn_TPDO_J1939", "Define RPDO", &MainWindow::btn_TPDO_J1939Click},
        {5, "LbButton2", "Set SDO Client", &MainWindow::LbButton2Click},
        {6, "btn_NodeGuard", "Set NodeGuarding", &MainWindow::btn_NodeGuardClick},
        {7, "B_Eds", "EDS File", &MainWindow::B_EdsClick},
        {8, "CreateBin", "Up date Device", &MainWindow::CreateBinClick},
    };
    int column = 0;
    int lastStep = 0;
    std::vector<QWidget*> tabOrder;
    for (const Button& b : buttons) {
        if (b.step != lastStep) {
            auto* label = new QLabel(tr("Step %1").arg(b.step));
            label->setObjectName(QStringLiteral("Step%1").arg(b.step));
            steps->addWidget(label, b.step - 1, 0);
            lastStep = b.step;
            column = 1;
        }
        QPushButton* button = addButton(b.name, tr(b.caption), b.slot);
        button->setMinimumWidth(140);
        if (b.step > 1)
            m_projectSteps.push_back(button);
        // Two "Define SDO" buttons: their accessible names say which side they open.
        if (b.step == 3 || b.step == 4)
            button->setAccessibleName(
                QStringLiteral("%1 (Step %2)").arg(tr(b.caption)).arg(b.step));
        steps->addWidget(button, b.step - 1, column++);
        tabOrder.push_back(button);
    }
    outer->addLayout(steps);
    // The keyboard goes through the steps in order; Report, About and X come last.
    tabOrder.push_back(report);
    tabOrder.push_back(bus);
    tabOrder.push_back(about);
    tabOrder.push_back(close);
    chainTabOrder(tabOrder);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    auto* link =
        new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(QLatin1String(kMakerWebAddress)));
    link->setObjectName(QStringLiteral("WebLink"));
    link->setAccessibleName(QLatin1String(kMakerWebAddress));
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    link->setOpenExternalLinks(false);
    connect(link, &QLabel::linkActivated, this,
            [this](const QString& url) { m_services.dialogs.openUrl(url); });
    bottom->addWidget(link);
    outer->addLayout(bottom);
    m_status = new QStatusBar;
    m_status->setObjectName(QStringLiteral("StatusBar"));
    m_status->setAccessibleName(tr("Status"));
    m_status->setSizeGripEnabled(false);
    outer->addWidget(m_status);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_newProject = new NewProjectDialog(m_services, m_state, this);
    m_about = new AboutBox(m_services, m_state.programFolder(), this);
    // Every window is created once, hidden, for the whole run.
    // communication parameters and J1939 frame lists
    m_pargen = new TFpargen(m_services, m_state, this);
    m_receivedFrames = new TFpdoMB(m_services, m_state, this);
    m_transmittedFrames = new TFTpdo2MB(m_services, m_state, this);

    // SDO and PDO mapping
    m_infoRcob = new TFInfopdoMB(m_services, m_state, this);
    m_infoTcob = new TFInfoTpdoMB(m_services, m_state, this);
    m_infoPdo = new TFInfoJ1939PDO(m_services, m_state, this);

    // SDO client frames and node guarding
    m_sdoClient = new TFSDO_Client(m_services, m_state, this);
    m_nodeGuard = new TFNodeGuard(m_services, m_state, this);

    // device image and firmware
    m_image = std::make_unique<DeviceImage>();
    m_modifyFileSx = new TFModifyFileSx(m_services, m_state, this);

    connect(m_receivedFrames, &FrameListWindow::exported, this,
            [this](const QString& file) { tellWritten(tr("Frame list exported"), toPath(file)); });
    connect(m_transmittedFrames, &FrameListWindow::exported, this,
            [this](const QString& file) { tellWritten(tr("Frame list exported"), toPath(file)); });

    m_state.startUp();
    showProject();
    findChild<QPushButton*>(QStringLiteral("New"))->setFocus();
}

MainWindow::~MainWindow() = default;

QPushButton* MainWindow::addButton(const char* objectName, const QString& caption,
                                   void (MainWindow::*slot)()) {
    auto* button = new QPushButton(caption, this);
    nameControl(button, QLatin1String(objectName), caption);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, slot);
    return button;
}

void MainWindow::showProject() {
    const bool open = m_state.hasProject();
    // A title never ends in the prefix's colon: without a project it is the one without.
    setWindowTitle(open && !m_state.projectName().empty() ? toQt(m_state.captionWithProject())
                                                          : QLatin1String(kCaptionWithoutProject));
    for (QPushButton* step : m_projectSteps) {
        step->setEnabled(open);
        step->setToolTip(open ? QString()
                              : tr("Open a project or create one first (step 1): without a "
                                   "project there is nothing to edit or write."));
    }
}

void MainWindow::tellWritten(const QString& what, const std::filesystem::path& file) {
    m_status->showMessage(
        tr("%1: %2 in %3").arg(what, toQt(file.filename()), toQt(file.parent_path())));
}

int MainWindow::runModal(QDialog& dialog) {
    return m_runModal ? m_runModal(dialog) : dialog.exec();
}

bool MainWindow::projectCheck() {
    // The projects root itself is no project: its documents would land beside the projects.
    if (m_state.hasProject())
        return true;
    m_services.messages.info("Project not valid");
    return false;
}

void MainWindow::NewClick() {
    m_newProject->setDestination(m_state.projectsRoot());
    m_newProject->FormShow();
    runModal(*m_newProject);
    // A cancelled New leaves the project as it was, and the title keeps saying which.
    showProject();
}

void MainWindow::openClick() {
    m_state.clearMissingProjectFolder();
    // The projects root is not offered as the project.
    const auto chosen = m_services.dialogs.browseFolder(
        this, tr("Select directory of project"), m_state.projectsRoot(),
        m_state.hasProject() ? m_state.projectFolder() : std::filesystem::path());
    if (chosen && m_state.isProjectsRoot(*chosen)) {
        m_services.messages.info("The folder PROJECTS holds the projects and is none itself: "
                                 "choose a project folder inside it, or create one with New "
                                 "project.");
        return;
    }
    m_state.setOpenedFolder(chosen ? *chosen : m_state.projectFolder());
    showProject();
}

void MainWindow::btn_Prm_GenClick() {
    if (!projectCheck())
        return;
    m_pargen->FormShow();
    runModal(*m_pargen);
}

void MainWindow::btn_RCOBClick() {
    if (!projectCheck())
        return;
    m_receivedFrames->setMode(1);
    m_receivedFrames->FormShow();
    runModal(*m_receivedFrames);
}

void MainWindow::btn_Info_RCOBClick() {
    if (!projectCheck())
        return;
    m_infoRcob->setMode(1);
    m_infoRcob->FormShow();
    runModal(*m_infoRcob);
}

void MainWindow::btn_RPDO_J1939Click() {
    if (!projectCheck())
        return;
    m_infoPdo->setMode(2);
    m_infoPdo->FormShow();
    runModal(*m_infoPdo);
}

void MainWindow::btn_TCOBClick() {
    if (!projectCheck())
        return;
    m_transmittedFrames->setMode(2);
    m_transmittedFrames->FormShow();
    runModal(*m_transmittedFrames);
}

void MainWindow::btn_Info_TCOBClick() {
    if (!projectCheck())
        return;
    m_infoTcob->setMode(2);
    m_infoTcob->FormShow();
    runModal(*m_infoTcob);
}

void MainWindow::btn_TPDO_J1939Click() {
    if (!projectCheck())
        return;
    m_infoPdo->setMode(1);
    m_infoPdo->FormShow();
    runModal(*m_infoPdo);
}

// Steps 5 and 6 check for a project too: without one their documents would land in the
// projects root.
void MainWindow::LbButton2Click() {
    if (!projectCheck())
        return;
    m_sdoClient->FormShow();
    runModal(*m_sdoClient);
}

void MainWindow::btn_NodeGuardClick() {
    if (!projectCheck())
        return;
    m_nodeGuard->FormShow();
    runModal(*m_nodeGuard);
}

void MainWindow::B_EdsClick() {
    if (!projectCheck())
        return;
    const QString edsType = tr("Electronic Data Sheet (*.eds)");
    const QString dcfType = tr("Device Configuration File (*.dcf)");
    const QString dbcType = tr("CAN database (*.dbc)");
    QString chosenType = edsType;
    auto target =
        m_services.dialogs.saveFile(this, tr("Save EDS File"), m_state.projectFolder(),
                                    edsType + ";;" + dcfType + ";;" + dbcType, &chosenType);
    if (!target)
        return;
    const DataSheetKind kind = dataSheetKind(*target, chosenType == dcfType   ? DataSheetKind::Dcf
                                                      : chosenType == dbcType ? DataSheetKind::Dbc
                                                                              : DataSheetKind::Eds);
    if (!target->has_extension())
        *target += kind == DataSheetKind::Dcf   ? ".dcf"
                   : kind == DataSheetKind::Dbc ? ".dbc"
                                                : ".eds";
    try {
        if (kind == DataSheetKind::Dbc) {
            writeProjectDbc(m_state.projectFolder(), *target, m_services.clock);
        } else if (kind == DataSheetKind::Dcf) {
            const CommissionedNode node = commissionedNode(m_state.projectFolder(), {});
            DcfWriter(m_services.clock)
                .write(m_state.projectFolder(), *target, node.nodeId, node.bitRateKbit);
        } else
            EdsWriter(m_services.clock).write(m_state.projectFolder(), *target);
    } catch (const std::exception& e) {
        m_services.messages.error(e.what());
        return;
    }
    tellWritten(kind == DataSheetKind::Dcf   ? tr("DCF written")
                : kind == DataSheetKind::Dbc ? tr("DBC file written")
                                             : tr("EDS file written"),
                *target);
}

void MainWindow::CreateBinClick() {
    // Let the window repaint before the work.
    QCoreApplication::processEvents();
    // Without a project folder the documents and the bin folder would be looked up in the
    // current directory, which the Generate Firmware dialog moves to MASTER.
    if (!projectCheck() || !checkedForUpdate())
        return;
    std::vector<std::string> unwritten;
    try {
        unwritten = compileAndWriteBanks(m_state.projectFolder(), *m_image, m_services.messages,
                                         m_services.clock);
    } catch (const Error& e) {
        m_services.messages.error(e.what());
        return;
    }
    // Every file that could not be written is told in one error box, and the Generate
    // Firmware dialog stays closed: its merge would take an older bank file instead.
    if (!unwritten.empty()) {
        std::string text;
        for (const std::string& reason : unwritten)
            text += (text.empty() ? "" : "\n") + reason;
        m_services.messages.error(text);
        return;
    }
    m_modifyFileSx->FormShow();
    runModal(*m_modifyFileSx);
}

bool MainWindow::checkedForUpdate() {
    std::vector<std::string> failures;
    try {
        failures = checkProject(m_state.projectFolder()).failures;
    } catch (const Error& e) {
        failures.push_back(e.what());
    }
    if (failures.empty())
        return true;
    const QString text = tr("The project check found problems; the device would get this "
                            "project as it is:\n%1")
                             .arg(listedLines(failures));
    const QStringList answers{tr("Update anyway"), tr("Cancel")};
    return m_services.dialogs.choose(this, tr("Up date Device"), text, answers, 1) == 0;
}

void MainWindow::reportClick() {
    if (!projectCheck())
        return;
    const std::filesystem::path& folder = m_state.projectFolder();
    const std::filesystem::path target = folder / kReportFileName;
    try {
        const ProjectCheck check = checkProject(folder);
        writeMappingReport(folder, target, {check.failures, check.notes}, m_services.clock);
    } catch (const Error& e) {
        m_services.messages.error(e.what());
        return;
    }
    tellWritten(tr("Mapping report written"), target);
    if (!m_services.dialogs.openLocalFile(target))
        m_services.messages.info("The report was written to " + target.string() +
                                 ", but no browser could be started to show it.");
}

void MainWindow::busClick() {
    if (!projectCheck())
        return;
    if (!m_bus) {
        // Kept apart from the settings file, which holds the last project only.
        const QString choices =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/ordane/bus.ini");
        m_bus = new BusWindow(m_services, choices, this);
    }
    m_bus->setProject(m_state.projectFolder());
    m_bus->show();
    m_bus->raise();
}

void MainWindow::aboutClick() {
    centreOnScreen(m_about);
    runModal(*m_about);
}

void MainWindow::LbButton1Click() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    try {
        m_state.writeSettings();
    } catch (const Error& e) {
        m_services.messages.error(e.what());
    }
    event->accept();
}

} // namespace ordane
