#pragma once

#include "simulator/Simulation.h"
#include "widgets/Services.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace ordane {

class LiveBus;

// The project on two live buses: the converter's twin or a monitor, a table of the
// project's frames and PDOs as they are seen, the last bus error and the session's log.
class BusWindow : public QWidget {
    Q_OBJECT
public:
    // `choicesFile`: where the last plugins and devices are kept between runs.
    BusWindow(const AppServices& services, QString choicesFile, QWidget* parent = nullptr);
    ~BusWindow() override;

    // The project the next session runs; a running session goes on with the one it has.
    void setProject(const std::filesystem::path& folder);
    const LiveBus* session() const { return m_bus.get(); }

    // The table is redrawn at most this often, however busy the buses are.
    static constexpr int kRedrawMs = 100;

public slots:
    void startTwinClick();
    void monitorClick();
    void stopClick();
    void saveLogClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void start(bool twin);
    void fillDevices(QComboBox* plugin, QComboBox* device);
    void sessionEnded();
    void redraw();
    void updateButtons();
    void saveChoices() const;

    const AppServices& m_services;
    QString m_choicesFile;
    std::filesystem::path m_project;
    QComboBox* m_plugins[2]{};
    QComboBox* m_devices[2]{};
    QPushButton* m_startTwin = nullptr;
    QPushButton* m_monitor = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_saveLog = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_error = nullptr;
    QLabel* m_status = nullptr;
    QTimer m_redraw;
    int m_redraws = 0;

    std::unique_ptr<SimulationProject> m_simulation;
    std::unique_ptr<LiveBus> m_bus;
    std::filesystem::path m_sessionLog; // what the last session received
    bool m_haveLog = false;
};

} // namespace ordane
