#pragma once

#include "widgets/Services.h"

#include <QDialog>
#include <QStringList>

namespace ordane {

// The OK/Cancel flow every editor shares: Cancel, Escape and closing the window ask
// "Discard your changes?" (default No) when something differs from what the window showed
// or saved last; without changes they close at once. OK closes without a question.
class EditorDialog : public QDialog {
    Q_OBJECT
public:
    EditorDialog(const AppServices& services, QWidget* parent);

    bool hasUnsavedChanges() const;
    void reject() override;

protected:
    // What the window shows now counts as saved; called at the end of each showing.
    void markSaved();
    // The window's state as text. By default every editable control of the window (text,
    // choice, check state, grid cells); a window whose model holds more than its controls
    // show adds that.
    virtual QStringList editorState() const;

private:
    Dialogs& m_dialogs;
    QStringList m_saved;
};

} // namespace ordane
