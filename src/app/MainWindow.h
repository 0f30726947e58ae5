#pragma once

#include "core/ProjectState.h"
#include "widgets/Services.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QLabel;
class QPushButton;
class QStatusBar;

namespace ordane {

class AboutBox;
class NewProjectDialog;
// communication parameters and J1939 frame lists
class TFpargen;
class TFpdoMB;
class TFTpdo2MB;

// SDO and PDO mapping
class TFInfopdoMB;
class TFInfoTpdoMB;
class TFInfoJ1939PDO;

// SDO client frames and node guarding
class TFSDO_Client;
class TFNodeGuard;

// device image and firmware
class DeviceImage;
class TFModifyFileSx;

// The program's one top-level window: eight numbered steps, the owner of the project state.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(const AppServices& services, const std::filesystem::path& programFolder,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    const ProjectState& state() const { return m_state; }

    // How modal windows are run: exec() by default; tests drive the window instead and
    // return its result.
    using ModalRunner = std::function<int(QDialog&)>;
    void setModalRunner(ModalRunner runner) { m_runModal = std::move(runner); }

    NewProjectDialog& newProjectDialog() { return *m_newProject; }
    // Says what the last EDS, DCF, report or export wrote, and where.
    QStatusBar* statusBar() const { return m_status; }

public slots:
    void NewClick();
    void openClick();
    void btn_Prm_GenClick();
    void btn_RCOBClick();
    void btn_Info_RCOBClick();
    void btn_RPDO_J1939Click();
    void btn_TCOBClick();
    void btn_Info_TCOBClick();
    void btn_TPDO_J1939Click();
    void LbButton2Click();
    void btn_NodeGuardClick();
    void B_EdsClick();
    void CreateBinClick();
    // "Report": the mapping report of the project, written into its folder and opened.
    void reportClick();
    void aboutClick();
    void LbButton1Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // "Project not valid" when there is no project folder.
    bool projectCheck();
    int runModal(QDialog& dialog);
    // The caption of the current project, or the one without a project; and the steps
    // that need a project enabled only with one.
    void showProject();
    // After the project check, a project with findings goes into a device only when the
    // user says so.
    bool checkedForUpdate();
    void tellWritten(const QString& what, const std::filesystem::path& file);
    QPushButton* addButton(const char* objectName, const QString& caption,
                           void (MainWindow::*slot)());

    const AppServices& m_services;
    ProjectState m_state;
    ModalRunner m_runModal;
    QStatusBar* m_status = nullptr;
    std::vector<QPushButton*> m_projectSteps;
    NewProjectDialog* m_newProject = nullptr;
    AboutBox* m_about = nullptr;
    // communication parameters and J1939 frame lists
    TFpargen* m_pargen = nullptr;
    TFpdoMB* m_receivedFrames = nullptr;
    TFTpdo2MB* m_transmittedFrames = nullptr;

    // SDO and PDO mapping
    TFInfopdoMB* m_infoRcob = nullptr;
    TFInfoTpdoMB* m_infoTcob = nullptr;
    TFInfoJ1939PDO* m_infoPdo = nullptr;

    // SDO client frames and node guarding
    TFSDO_Client* m_sdoClient = nullptr;
    TFNodeGuard* m_nodeGuard = nullptr;

    // device image and firmware
    // One image for the whole run: bytes a compilation does not write keep what an earlier
    // one left there, as the device expects.
    std::unique_ptr<DeviceImage> m_image;
    TFModifyFileSx* m_modifyFileSx = nullptr;
};

} // namespace ordane
