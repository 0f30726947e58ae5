#include "widgets/ProjectBrowser.h"

#include "widgets/GuiSupport.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace ordane {

namespace {

// Keeps the root, the folders beneath it and the ancestors needed to reach it.
class ConfinedFolders : public QSortFilterProxyModel {
public:
    ConfinedFolders(const ProjectBrowser* browser, QObject* parent)
        : QSortFilterProxyModel(parent), m_browser(browser) {}

    QString rootPath;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        auto* files = static_cast<QFileSystemModel*>(sourceModel());
        const QString path = files->filePath(files->index(row, 0, parent));
        return m_browser->mayChoose(path) || rootPath.startsWith(path + QLatin1Char('/')) ||
               path == QLatin1String("/");
    }

private:
    const ProjectBrowser* m_browser;
};

} // namespace

ProjectBrowser::ProjectBrowser(const QString& title, const std::filesystem::path& root,
                               const std::filesystem::path& preselected, QWidget* parent)
    : QDialog(parent), m_root(QDir::cleanPath(toQt(root))) {
    setObjectName(QStringLiteral("ProjectBrowser"));
    setWindowTitle(title);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    m_model->setRootPath(m_root);

    auto* proxy = new ConfinedFolders(this, this);
    proxy->rootPath = m_root;
    proxy->setSourceModel(m_model);
    m_proxy = proxy;

    m_view = new QTreeView;
    m_view->setObjectName(QStringLiteral("Folders"));
    m_view->setAccessibleName(title);
    m_view->setModel(m_proxy);
    for (int c = 1; c < m_model->columnCount(); ++c)
        m_view->hideColumn(c);
    m_view->header()->hide();
    const QString parentPath = QFileInfo(m_root).path();
    m_view->setRootIndex(m_proxy->mapFromSource(m_model->index(parentPath)));
    m_view->expand(m_proxy->mapFromSource(m_model->index(m_root)));
    m_view->setMinimumSize(360, 300);

    const auto [ok, cancel] = makeOkCancel(this);
    m_ok = ok;
    auto* buttons = okCancelBox(this, {ok, cancel});
    m_ok->setEnabled(false);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { m_ok->setEnabled(current.isValid()); });

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(title);
    heading->setObjectName(QStringLiteral("Title"));
    layout->addWidget(heading);
    layout->addWidget(m_view);
    layout->addWidget(buttons);

    if (!preselected.empty())
        select(toQt(preselected));
}

bool ProjectBrowser::mayChoose(const QString& path) const {
    const QString clean = QDir::cleanPath(path);
    return clean == m_root || clean.startsWith(m_root + QLatin1Char('/'));
}

void ProjectBrowser::select(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    if (!mayChoose(clean))
        return;
    const QModelIndex index = m_proxy->mapFromSource(m_model->index(clean));
    if (index.isValid()) {
        m_view->setCurrentIndex(index);
        m_view->scrollTo(index);
    }
}

std::optional<std::filesystem::path> ProjectBrowser::selectedFolder() const {
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    const QString path = m_model->filePath(m_proxy->mapToSource(current));
    if (!mayChoose(path))
        return std::nullopt;
    return toPath(QDir::cleanPath(path));
}

} // namespace ordane
