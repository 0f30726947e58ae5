#pragma once

#include "widgets/Services.h"

#include <filesystem>

#include <QDialog>

namespace ordane {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    // Shows the program folder in use, so that a user can tell where MASTER and PROJECTS are.
    AboutBox(const AppServices& services, const std::filesystem::path& programFolder,
             QWidget* parent = nullptr);

public slots:
    void openWebPage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const AppServices& m_services;
    QWidget* m_logo;
};

} // namespace ordane
