#pragma once

#include <QDialog>

#include <filesystem>
#include <optional>

class QFileSystemModel;
class QSortFilterProxyModel;
class QTreeView;
class QPushButton;

namespace ordane {

// A folder browser confined to `root`: the root and the folders beneath it can be
// chosen, nothing outside.
class ProjectBrowser : public QDialog {
    Q_OBJECT
public:
    ProjectBrowser(const QString& title, const std::filesystem::path& root,
                   const std::filesystem::path& preselected, QWidget* parent = nullptr);

    std::optional<std::filesystem::path> selectedFolder() const;
    // Whether a folder may be shown and chosen: the root, anything beneath it.
    bool mayChoose(const QString& path) const;
    QTreeView* view() const { return m_view; }
    void select(const QString& path);

private:
    QString m_root;
    QFileSystemModel* m_model;
    QSortFilterProxyModel* m_proxy;
    QTreeView* m_view;
    QPushButton* m_ok;
};

} // namespace ordane
