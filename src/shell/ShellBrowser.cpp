#include "shell/ShellBrowser.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include <QCollator>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeDatabase>
#include <QScopeGuard>
#include <QSortFilterProxyModel>
#include <QTimer>

namespace quorvane {

namespace {

// The selection keeps its colours when the view loses the focus.
void KeepSelectionVisible(QWidget* View) {
    QPalette P = View->palette();
    for (QPalette::ColorRole Role : {QPalette::Highlight, QPalette::HighlightedText})
        P.setColor(QPalette::Inactive, Role, P.color(QPalette::Active, Role));
    View->setPalette(P);
}

// A path as the models spell it: absolute, without "." or ".." parts or a trailing "/".
QString CleanPath(const QString& Path) {
    return QDir::cleanPath(QFileInfo(Path).absoluteFilePath());
}

} // namespace

// The desktop theme's icons, chosen by the file name alone, and type texts from the extension. The model asks for
// both on the user-interface thread as well as on its reading thread; looking into each file's content there (what
// QFileIconProvider does) stalls the window for seconds in a large folder.
class TShellIcons : public QFileIconProvider {
public:
    TShellIcons() : FolderIcon(QFileIconProvider::icon(Folder)), FileIcon(QFileIconProvider::icon(File)) {}

    QIcon icon(const QFileInfo& Info) const override {
        if (Info.isDir())
            return FolderIcon;
        const QMimeType Type = Mimes.mimeTypeForFile(Info.fileName(), QMimeDatabase::MatchExtension);
        const std::lock_guard Lock(Guard);
        QIcon& Icon = ByType[Type.name()];
        if (Icon.isNull())
            Icon = QIcon::fromTheme(Type.iconName(), QIcon::fromTheme(Type.genericIconName(), FileIcon));
        return Icon;
    }
    QString type(const QFileInfo& Info) const override {
        if (Info.isDir())
            return QStringLiteral("Folder");
        return Info.suffix().isEmpty() ? QStringLiteral("File") : Info.suffix().toUpper() + QStringLiteral(" File");
    }

private:
    const QIcon FolderIcon, FileIcon;
    QMimeDatabase Mimes;
    mutable std::mutex Guard;
    mutable QHash<QString, QIcon> ByType;
};

// The list's order: by the sort column, then by name (ignoring case, numbers by value); folders ahead of files
// in either direction when asked to.
class TShellListProxy : public QSortFilterProxyModel {
public:
    TShellListProxy() {
        Collator.setNumericMode(true);
        Collator.setCaseSensitivity(Qt::CaseInsensitive);
    }
    void SetFoldersFirst(bool On) {
        if (On == FoldersFirst)
            return;
        FoldersFirst = On;
        invalidate();
    }

protected:
    bool lessThan(const QModelIndex& L, const QModelIndex& R) const override {
        const auto* M = static_cast<const QFileSystemModel*>(sourceModel());
        if (FoldersFirst) {
            const bool LeftFolder = M->isDir(L);
            if (LeftFolder != M->isDir(R)) // the view turns the order round when descending
                return LeftFolder == (sortOrder() == Qt::AscendingOrder);
        }
        switch (L.column()) {
        case TPTShellList::SizeColumn:
            if (M->size(L) != M->size(R))
                return M->size(L) < M->size(R);
            break;
        case TPTShellList::TypeColumn:
            if (const int C = Collator.compare(M->type(L), M->type(R)))
                return C < 0;
            break;
        case TPTShellList::DateColumn:
            if (M->lastModified(L) != M->lastModified(R))
                return M->lastModified(L) < M->lastModified(R);
            break;
        }
        const QString A = M->fileName(L.siblingAtColumn(0)), B = M->fileName(R.siblingAtColumn(0));
        const int C = Collator.compare(A, B);
        return C != 0 ? C < 0 : A < B;
    }

private:
    QCollator Collator;
    bool FoldersFirst = false;
};

// ---------------------------------------------------------------------------------------------------------------

TPTSplitter::TPTSplitter(QWidget* Parent) : QSplitter(Qt::Horizontal, Parent) {
    setChildrenCollapsible(false);
}

void TPTSplitter::showEvent(QShowEvent* Event) {
    QSplitter::showEvent(Event);
    if (Placed || count() < 2)
        return;
    Placed = true;
    // The left pane keeps its width when the splitter grows or shrinks.
    setStretchFactor(0, 0);
    setStretchFactor(1, 1);
    setSizes({DividerPos, std::max(width() - handleWidth() - DividerPos, 1)});
}

// ---------------------------------------------------------------------------------------------------------------

TPTShListData::TPTShListData(const QString& Path) : FullPath(Path) {
    const QFileInfo Info(Path);
    Name = Info.fileName();
    Folder = Info.isDir();
    Bytes = Folder ? 0 : Info.size();
}

// ---------------------------------------------------------------------------------------------------------------

TPTShellTree::TPTShellTree(QWidget* Parent) : QTreeView(Parent), Icons(std::make_unique<TShellIcons>()) {
    Model.setIconProvider(Icons.get());
    Model.setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    Model.setRootPath(QDir::rootPath());
    setModel(&Model);
    for (int Column = 1; Column < Model.columnCount(); ++Column)
        hideColumn(Column);
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(19);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    KeepSelectionVisible(this);
    expand(Model.index(QDir::rootPath()));
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TPTShellTree::FolderChanged);
    // The folders above the selected one are read and sorted in the background and push it down as they
    // fill in: for a moment after a folder is selected, it is brought back into view after each change.
    const auto Reveal = [this] {
        if (Revealing.isValid() && Revealing.elapsed() < RevealMs && !RevealPosted) {
            RevealPosted = true;
            QTimer::singleShot(0, this, [this] {
                RevealPosted = false;
                scrollTo(currentIndex(), QAbstractItemView::PositionAtCenter);
            });
        }
    };
    connect(&Model, &QAbstractItemModel::layoutChanged, this, Reveal);
    connect(&Model, &QAbstractItemModel::rowsInserted, this, Reveal);
}

void TPTShellTree::mousePressEvent(QMouseEvent* Event) {
    Revealing.invalidate(); // the user takes over
    QTreeView::mousePressEvent(Event);
}

void TPTShellTree::wheelEvent(QWheelEvent* Event) {
    Revealing.invalidate();
    QTreeView::wheelEvent(Event);
}

TPTShellTree::~TPTShellTree() {
    disconnect(ListLink);
    setModel(nullptr);
}

QString TPTShellTree::Path() const {
    const QModelIndexList Selected = selectionModel()->selectedIndexes();
    return Selected.isEmpty() ? QString() : Model.filePath(Selected.first());
}

bool TPTShellTree::SetPath(const QString& Path) {
    if (Path.isEmpty())
        return false;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto RestoreCursor = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    // Only an existing folder: the model would also make up entries for files and for hidden paths.
    if (!QFileInfo(Path).isDir())
        return false;
    const QModelIndex I = Model.index(CleanPath(Path));
    if (!I.isValid())
        return false;
    SelectFolder(I);
    if (List)
        List->WaitLoaded(LoadWait);
    return true;
}

void TPTShellTree::SetShellList(TPTShellList* NewList) {
    disconnect(ListLink);
    List = NewList;
    if (!List)
        return;
    // Opening a folder in the list goes down the tree.
    ListLink = connect(List, &TPTShellList::FolderOpened, this, [this](const QString& Folder) {
        if (const QModelIndex I = Model.index(Folder); I.isValid())
            SelectFolder(I);
    });
    FolderChanged();
}

void TPTShellTree::SelectFolder(const QModelIndex& I) {
    setCurrentIndex(I);
    scrollTo(I, QAbstractItemView::PositionAtCenter); // opens the folders above it
    Revealing.start();
    expand(I);
    FolderChanged();
}

void TPTShellTree::FolderChanged() {
    const QString Folder = Path();
    if (List && !Folder.isEmpty())
        List->SetFolder(Folder);
}

// ---------------------------------------------------------------------------------------------------------------

TPTShellList::TPTShellList(QWidget* Parent)
    : QTreeView(Parent), Icons(std::make_unique<TShellIcons>()), Proxy(std::make_unique<TShellListProxy>()) {
    Model.setIconProvider(Icons.get());
    Model.setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    Model.setReadOnly(true);
    // Connected first, so that every other receiver sees the folder as read.
    connect(&Model, &QFileSystemModel::directoryLoaded, this, [this](const QString& Folder) {
        ReadFolders << Folder;
        if (Folder == ShownFolder)
            Proxy->setDynamicSortFilter(true);
    });
    Proxy->setSourceModel(&Model);
    Proxy->setDynamicSortFilter(true);
    setModel(Proxy.get());
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setSortingEnabled(true);
    sortByColumn(NameColumn, Qt::AscendingOrder);
    KeepSelectionVisible(this);
    const auto Forget = [this] { SelectedCacheValid = false; };
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, Forget);
    connect(Proxy.get(), &QAbstractItemModel::rowsInserted, this, Forget);
    connect(Proxy.get(), &QAbstractItemModel::rowsRemoved, this, Forget);
    connect(Proxy.get(), &QAbstractItemModel::rowsMoved, this, Forget);
    connect(Proxy.get(), &QAbstractItemModel::layoutChanged, this, Forget);
    connect(Proxy.get(), &QAbstractItemModel::modelReset, this, Forget);
    connect(this, &QAbstractItemView::activated, this, [this](const QModelIndex& I) {
        const QModelIndex Source = Proxy->mapToSource(I);
        if (Model.isDir(Source))
            emit FolderOpened(Model.filePath(Source));
    });
}

TPTShellList::~TPTShellList() {
    setModel(nullptr);
}

void TPTShellList::SetFolder(const QString& Folder) {
    const QString Clean = CleanPath(Folder);
    if (Folder.isEmpty() || Clean == ShownFolder)
        return;
    Model.setRootPath(Clean);
    const QModelIndex Source = Model.index(Clean);
    if (!Source.isValid())
        return;
    Data.clear();
    Pending.clear();
    selectionModel()->clear();
    SelectedCacheValid = false;
    ShownFolder = Model.filePath(Source);
    Proxy->setDynamicSortFilter(Loaded());
    setRootIndex(Proxy->mapFromSource(Source));
}

bool TPTShellList::Loaded() const {
    return !ShownFolder.isEmpty() && ReadFolders.contains(ShownFolder);
}

bool TPTShellList::WaitLoaded(int Ms) {
    if (Loaded() || ShownFolder.isEmpty())
        return Loaded();
    QEventLoop Loop;
    QTimer::singleShot(Ms, &Loop, &QEventLoop::quit);
    connect(&Model, &QFileSystemModel::directoryLoaded, &Loop, [this, &Loop] {
        if (Loaded())
            Loop.quit();
    });
    Loop.exec(QEventLoop::ExcludeUserInputEvents);
    return Loaded();
}

int TPTShellList::ItemCount() const {
    return ShownFolder.isEmpty() ? 0 : Proxy->rowCount(Root());
}

QModelIndex TPTShellList::Item(int Index) const {
    return Index >= 0 && Index < ItemCount() ? Proxy->index(Index, NameColumn, Root()) : QModelIndex();
}

QModelIndex TPTShellList::SourceOf(int Index) const {
    return Proxy->mapToSource(Item(Index));
}

int TPTShellList::SelectedCount() const {
    const std::vector<char>& Selected = SelectedItems();
    int Count = static_cast<int>(std::count(Selected.begin(), Selected.end(), 1));
    for (const auto& [Index, On] : Pending)
        if (Index < static_cast<int>(Selected.size()) && On != (Selected[static_cast<std::size_t>(Index)] != 0))
            Count += On ? 1 : -1;
    return Count;
}

bool TPTShellList::ItemSelected(int Index) const {
    if (const auto It = Pending.find(Index); It != Pending.end())
        return It->second;
    const std::vector<char>& Selected = SelectedItems();
    return Index >= 0 && Index < static_cast<int>(Selected.size()) && Selected[static_cast<std::size_t>(Index)];
}

const std::vector<char>& TPTShellList::SelectedItems() const {
    if (SelectedCacheValid)
        return SelectedCache;
    const int Count = ItemCount();
    SelectedCache.assign(static_cast<std::size_t>(Count), 0);
    // Rows are selected whole, so column 0 stands for the row.
    for (const QItemSelectionRange& Range : selectionModel()->selection())
        if (Range.parent() == Root() && Range.left() <= NameColumn && Range.right() >= NameColumn)
            for (int Row = std::max(Range.top(), 0); Row <= std::min(Range.bottom(), Count - 1); ++Row)
                SelectedCache[static_cast<std::size_t>(Row)] = 1;
    SelectedCacheValid = true;
    return SelectedCache;
}

void TPTShellList::SetItemSelected(int Index, bool Selected) {
    const QModelIndex I = Item(Index);
    if (!I.isValid())
        return;
    if (UpdateDepth > 0)
        Pending[Index] = Selected;
    else
        selectionModel()->select(I, (Selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                        QItemSelectionModel::Rows);
}

void TPTShellList::BeginUpdate() {
    if (UpdateDepth++ == 0)
        setUpdatesEnabled(false);
}

void TPTShellList::EndUpdate() {
    if (UpdateDepth == 0 || --UpdateDepth > 0)
        return;
    ApplyPending();
    setUpdatesEnabled(true);
}

// Puts the changes gathered since BeginUpdate into the selection in one step: selecting row by row would merge
// each row into all ranges so far, which is quadratic in a large folder.
void TPTShellList::ApplyPending() {
    if (Pending.empty())
        return;
    const int Count = ItemCount();
    std::vector<char> Selected = SelectedItems();
    for (const auto& [Index, On] : Pending)
        if (Index < Count)
            Selected[static_cast<std::size_t>(Index)] = On;
    Pending.clear();
    QItemSelection NewSelection;
    const int LastColumn = Proxy->columnCount(Root()) - 1;
    for (int Row = 0; Row < Count; ++Row) {
        if (!Selected[static_cast<std::size_t>(Row)])
            continue;
        const int First = Row;
        while (Row + 1 < Count && Selected[static_cast<std::size_t>(Row + 1)])
            ++Row;
        NewSelection.select(Proxy->index(First, 0, Root()), Proxy->index(Row, LastColumn, Root()));
    }
    selectionModel()->select(NewSelection, QItemSelectionModel::ClearAndSelect);
}

const TPTShListData* TPTShellList::ListData(int Index) {
    const QModelIndex Source = SourceOf(Index);
    if (!Source.isValid())
        return nullptr;
    const QString Path = Model.filePath(Source);
    std::unique_ptr<TPTShListData>& Entry = Data[Path];
    if (!Entry)
        Entry = std::make_unique<TPTShListData>(Path);
    return Entry.get();
}

void TPTShellList::SetFoldersFirst(bool On) {
    FoldersAhead = On;
    Proxy->SetFoldersFirst(On);
}

void TPTShellList::HideTypeColumn() {
    hideColumn(TypeColumn);
}

} // namespace quorvane
