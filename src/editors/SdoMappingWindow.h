#pragma once

#include "model/SdoMapping.h"
#include "widgets/Services.h"

#include "widgets/EditorDialog.h"

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ordane {

class ProjectState;

// The SDO mapping window of one side: the entries of the selected frame on the left, the
// frames in the middle, the entry's boxes and the editing buttons on the right.
class SdoMappingWindow : public EditorDialog {
    Q_OBJECT
public:
    SdoMappingWindow(const AppServices& services, const ProjectState& state, SdoSide side,
                     QWidget* parent);

    // 1 received side, 2 transmitted side.
    void setMode(int mode);
    const SdoMapping& model() const { return m_model; }

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();
    void DeleteClick();
    void NewClick();
    void ModifyClick();
    void CopyClick();
    void PasteClick();

private:
    void selectFrame(int row);
    void selectEntry(int row);
    void applyDimensionRule();
    void clearBoxes();
    void showValues(const SdoMappingEntry& entry);
    // The drop-down positions; a drop-down showing no choice counts as its first one.
    SdoMappingEntry positions() const;
    bool hasSelectedEntry() const;
    void selectLabel(int row);
    // The DBC signal of the selected entry, when it has one.
    void showSignalName(int row);
    // The boxes as text, to tell values typed but not yet taken by New or Modify.
    QStringList boxState() const;
    // The boxes now show what the model holds (or nothing to take).
    void markBoxesTaken() { m_takenBoxes = boxState(); }
    // New or Modify as OK's question asks: true when the values were taken.
    bool takeBoxes();

protected:
    // The controls and every frame's entries.
    QStringList editorState() const override;

private:

    const AppServices& m_services;
    const ProjectState& m_state;
    SdoMapping m_model;
    int m_frame = -1;

    QLabel* m_heading;
    QListWidget* m_entryList;
    QListWidget* m_frameList;
    QLineEdit* m_index;
    QLineEdit* m_subIndex;
    QComboBox* m_dimension;
    std::array<QComboBox*, 4> m_bytes{};
    QLabel* m_sendLabel;
    QComboBox* m_send;
    QLabel* m_signal;
    QPushButton* m_ok;
    QStringList m_takenBoxes;
};

} // namespace ordane
