#pragma once

#include "widgets/Services.h"

#include <QDialog>

namespace ordane {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(const AppServices& services, QWidget* parent = nullptr);

public slots:
    void openWebPage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const AppServices& m_services;
    QWidget* m_logo;
};

} // namespace ordane
