#include "app/NewProjectDialog.h"

#include "core/CreateProject.h"
#include "core/ProjectState.h"
#include "widgets/GuiSupport.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordane {

NewProjectDialog::NewProjectDialog(const AppServices& services, ProjectState& state,
                                   QWidget* parent)
    : QDialog(parent), m_services(services), m_state(state) {
    setObjectName(QStringLiteral("NewProject"));
    setWindowTitle(tr("New project"));

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* label = new QLabel(tr("Project &name"));
    label->setObjectName(QStringLiteral("LabelProjectName"));
    m_name = new QLineEdit;
    m_name->setObjectName(QStringLiteral("ProjectName"));
    m_name->setMinimumWidth(260);
    form->addRow(label, m_name);
    labelControl(label, m_name);
    m_name->setAccessibleName(tr("Project name"));
    layout->addLayout(form);

    const auto [ok, cancel] =
        makeOkCancel(this, &NewProjectDialog::OkClick, &NewProjectDialog::CancelClick);
    auto* buttons = okCancelBox(this, {ok, cancel});
    layout->addWidget(buttons);

    makeToolWindow(this);
}

void NewProjectDialog::FormShow() {
    setWindowTitle(tr("New project"));
    m_name->clear();
    m_enteredName.clear();
    centreOnScreen(this);
    m_name->setFocus();
}

void NewProjectDialog::OkClick() {
    m_enteredName = m_name->text();
    m_closePermission =
        createProject(m_destination, toStd(m_enteredName), m_state, m_services.messages);
    if (m_closePermission)
        accept();
}

void NewProjectDialog::CancelClick() {
    m_closePermission = true;
    QDialog::done(QDialog::Rejected);
}

void NewProjectDialog::done(int result) {
    if (m_closePermission)
        QDialog::done(result);
}

// Escape is the Cancel button.
void NewProjectDialog::reject() {
    CancelClick();
}

void NewProjectDialog::closeEvent(QCloseEvent* event) {
    if (m_closePermission)
        event->accept();
    else
        event->ignore();
}

} // namespace ordane
