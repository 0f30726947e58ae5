#pragma once

#include "model/CommunicationParameters.h"
#include "widgets/Services.h"

#include "widgets/EditorDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace ordane {

class ProjectState;

// "SET COMMUNICATION": the general settings of both buses, kept in pargen.xml.
class TFpargen : public EditorDialog {
    Q_OBJECT
public:
    TFpargen(const AppServices& services, const ProjectState& state, QWidget* parent = nullptr);

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();

private:
    void fillControls();
    void readControls();

    const AppServices& m_services;
    const ProjectState& m_state;
    CommunicationParameters m_model;

    QComboBox* m_j1939Rate;
    QRadioButton* m_can20A;
    QRadioButton* m_can20B;
    QLineEdit* m_timeOutData;
    QCheckBox* m_peerToPeer;
    QLineEdit* m_idDev;
    QComboBox* m_canopenRate;
    QCheckBox* m_setOperational;
    QCheckBox* m_networkStart;
    QSpinBox* m_delay;
    QRadioButton* m_sendOnChange;
    QRadioButton* m_sendCyclically;
    QLineEdit* m_cyclicTime;
    QCheckBox* m_nodeGuard;
    QCheckBox* m_sendState;
    QLineEdit* m_sendEvery;
    QCheckBox* m_sdoClient;
    QLineEdit* m_sdoTimeOut;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace ordane
