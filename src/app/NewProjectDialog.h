#pragma once

#include "widgets/Services.h"

#include <QDialog>

#include <filesystem>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ordane {

class ProjectState;

// "New project": collects the name; createProject does the rest. The dialog closes only
// while its close permission is yes, which the buttons set.
class NewProjectDialog : public QDialog {
    Q_OBJECT
public:
    NewProjectDialog(const AppServices& services, ProjectState& state, QWidget* parent = nullptr);

    void setDestination(const std::filesystem::path& folder) { m_destination = folder; }
    const std::filesystem::path& destination() const { return m_destination; }
    const QString& enteredName() const { return m_enteredName; }
    bool closePermission() const { return m_closePermission; }

    QLineEdit* nameBox() const { return m_name; }

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();

    void done(int result) override;
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    const AppServices& m_services;
    ProjectState& m_state;
    std::filesystem::path m_destination;
    QString m_enteredName;
    bool m_closePermission = false;
    QLineEdit* m_name;
};

} // namespace ordane
