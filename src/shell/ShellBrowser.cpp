#include "shell/ShellBrowser.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include <QAbstractTableModel>

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
#include <QFileSystemWatcher>
#include <QLocale>
#include <QMimeData>
#include <QScrollBar>
#include <QUrl>
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

// The desktop theme's icons, chosen by the file name's extension alone, and type texts from the extension. The models
// ask for both on the user-interface thread as well as on their reading threads; looking into each file's content
// there (what QFileIconProvider does) stalls the window for seconds in a large folder.
class TShellIcons : public QFileIconProvider {
public:
    TShellIcons() : FolderIcon(QFileIconProvider::icon(Folder)), FileIcon(QFileIconProvider::icon(File)) {}

    QIcon icon(const QFileInfo& Info) const override { return ForName(Info.fileName(), Info.isDir()); }
    QString type(const QFileInfo& Info) const override { return TypeOf(Info.fileName(), Info.isDir()); }

    // One look-up per extension: matching each name against every known pattern takes longer than reading
    // the folder (seconds for 100,000 files). Names without an extension get the plain file icon.
    QIcon ForName(const QString& Name, bool IsFolder) const {
        if (IsFolder)
            return FolderIcon;
        const QString Suffix = QFileInfo(Name).suffix().toLower();
        if (Suffix.isEmpty())
            return FileIcon;
        const std::lock_guard Lock(Guard);
        QIcon& Icon = BySuffix[Suffix];
        if (Icon.isNull()) {
            const QMimeType Type = Mimes.mimeTypeForFile("x." + Suffix, QMimeDatabase::MatchExtension);
            Icon = QIcon::fromTheme(Type.iconName(), QIcon::fromTheme(Type.genericIconName(), FileIcon));
        }
        return Icon;
    }
    static QString TypeOf(const QString& Name, bool IsFolder) {
        if (IsFolder)
            return QStringLiteral("Folder");
        const QString Suffix = QFileInfo(Name).suffix();
        return Suffix.isEmpty() ? QStringLiteral("File") : Suffix.toUpper() + QStringLiteral(" File");
    }

private:
    const QIcon FolderIcon, FileIcon;
    QMimeDatabase Mimes;
    mutable std::mutex Guard;
    mutable QHash<QString, QIcon> BySuffix;
};

// One entry of the shown folder, with what it sorts by.
struct TShellEntry {
    QString Name;
    bool Folder = false;
    qint64 Size = 0;     // a link's target's; 0 for folders
    qint64 Modified = 0; // ms since the epoch
    QCollatorSortKey Key; // the name as the collator orders it
};

namespace {

QCollator NameCollator() {
    QCollator C;
    C.setNumericMode(true);
    C.setCaseSensitivity(Qt::CaseInsensitive);
    return C;
}

// Reads a folder's entries (hidden ones included, links followed) on the calling thread.
std::vector<TShellEntry> ReadFolder(const QString& Folder) {
    std::vector<TShellEntry> Entries;
    const QByteArray Path = QFile::encodeName(Folder);
    const std::unique_ptr<DIR, int (*)(DIR*)> Dir(::opendir(Path.constData()), ::closedir);
    if (!Dir)
        return Entries;
    const QCollator Collator = NameCollator();
    while (const dirent* Ent = ::readdir(Dir.get())) {
        if (std::strcmp(Ent->d_name, ".") == 0 || std::strcmp(Ent->d_name, "..") == 0)
            continue;
        struct statx St {};
        const bool Known = ::statx(::dirfd(Dir.get()), Ent->d_name, AT_NO_AUTOMOUNT,
                                   STATX_TYPE | STATX_SIZE | STATX_MTIME, &St) == 0;
        const QString Name = QFile::decodeName(Ent->d_name);
        const bool IsFolder = Known && S_ISDIR(St.stx_mode);
        Entries.push_back(TShellEntry{Name, IsFolder, Known && !IsFolder ? qint64(St.stx_size) : 0,
                                      Known ? qint64(St.stx_mtime.tv_sec) * 1000 + St.stx_mtime.tv_nsec / 1000000 : 0,
                                      Collator.sortKey(Name)});
    }
    return Entries;
}

} // namespace

// The entries of one folder, read on a thread of their own and sorted there, so that a folder of 100,000 files
// arrives in one piece without holding up the window. Sorted by the sort column, then by name (ignoring case,
// numbers by value); folders ahead of files in either direction when asked to. A change in the folder reads it
// again and replaces the entries.
class TShellListModel : public QAbstractTableModel {
public:
    explicit TShellListModel(const TShellIcons& IconSource) : Icons(IconSource), Alive(std::make_shared<TAlive>()) {
        Alive->Model = this;
        Watcher.setParent(this);
        Reread.setParent(this);
        Reread.setSingleShot(true);
        Reread.setInterval(200); // a burst of changes is read once
        connect(&Watcher, &QFileSystemWatcher::directoryChanged, this, [this] { Reread.start(); });
        connect(&Reread, &QTimer::timeout, this, [this] { Read(); });
    }
    ~TShellListModel() override {
        const std::lock_guard Lock(Alive->Guard);
        Alive->Model = nullptr;
    }

    // Shows Folder's entries once they are read (Loaded); until then none.
    void SetFolder(const QString& Path) {
        beginResetModel();
        Entries.clear();
        Folder = Path;
        Ready = false;
        endResetModel();
        if (!Watcher.directories().isEmpty())
            Watcher.removePaths(Watcher.directories());
        Watcher.addPath(Folder);
        Read();
    }
    const QString& ShownFolder() const { return Folder; }
    bool Loaded() const { return Ready; }
    const TShellEntry* Entry(int Row) const {
        return Row >= 0 && Row < int(Entries.size()) ? &Entries[std::size_t(Row)] : nullptr;
    }
    void SetFoldersFirst(bool On) {
        if (On != FoldersFirst) {
            FoldersFirst = On;
            sort(SortColumn, SortOrder);
        }
    }

    int rowCount(const QModelIndex& Parent = {}) const override { return Parent.isValid() ? 0 : int(Entries.size()); }
    int columnCount(const QModelIndex& Parent = {}) const override { return Parent.isValid() ? 0 : 4; }
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override {
        static const char* const Captions[] = {"Name", "Size", "Type", "Date Modified"};
        if (Orientation == Qt::Horizontal && Role == Qt::DisplayRole && Section >= 0 && Section < 4)
            return QString(Captions[Section]);
        if (Orientation == Qt::Horizontal && Role == Qt::TextAlignmentRole && Section == TPTShellList::SizeColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QAbstractTableModel::headerData(Section, Orientation, Role);
    }
    QVariant data(const QModelIndex& I, int Role) const override {
        const TShellEntry* E = I.isValid() ? Entry(I.row()) : nullptr;
        if (!E)
            return {};
        if (Role == Qt::DecorationRole && I.column() == TPTShellList::NameColumn)
            return Icons.ForName(E->Name, E->Folder);
        if (Role == Qt::TextAlignmentRole && I.column() == TPTShellList::SizeColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (Role != Qt::DisplayRole && Role != Qt::EditRole)
            return {};
        switch (I.column()) {
        case TPTShellList::NameColumn:
            return E->Name;
        case TPTShellList::SizeColumn:
            return E->Folder ? QString() : QLocale::system().formattedDataSize(E->Size);
        case TPTShellList::TypeColumn:
            return TShellIcons::TypeOf(E->Name, E->Folder);
        default:
            return QLocale::system().toString(QDateTime::fromMSecsSinceEpoch(E->Modified), QLocale::ShortFormat);
        }
    }
    Qt::ItemFlags flags(const QModelIndex& I) const override {
        return I.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled : Qt::NoItemFlags;
    }
    QStringList mimeTypes() const override { return {"text/uri-list"}; }
    QMimeData* mimeData(const QModelIndexList& Indexes) const override {
        QList<QUrl> Urls;
        for (const QModelIndex& I : Indexes)
            if (I.column() == 0 && Entry(I.row()))
                Urls << QUrl::fromLocalFile(QDir(Folder).filePath(Entry(I.row())->Name));
        auto* Data = new QMimeData;
        Data->setUrls(Urls);
        return Data;
    }
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

    void sort(int Column, Qt::SortOrder Order) override {
        SortColumn = Column;
        SortOrder = Order;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList Before = persistentIndexList();
        // Where each entry goes: sort the row numbers, then move the entries.
        std::vector<int> Rank(Entries.size());
        std::iota(Rank.begin(), Rank.end(), 0);
        const Less Compare{SortColumn, SortOrder, FoldersFirst};
        std::stable_sort(Rank.begin(), Rank.end(),
                         [&](int A, int B) { return Compare(Entries[std::size_t(A)], Entries[std::size_t(B)]); });
        std::vector<int> NewRow(Entries.size());
        std::vector<TShellEntry> Sorted;
        Sorted.reserve(Entries.size());
        for (std::size_t I = 0; I < Rank.size(); ++I) {
            NewRow[std::size_t(Rank[I])] = int(I);
            Sorted.push_back(std::move(Entries[std::size_t(Rank[I])]));
        }
        Entries = std::move(Sorted);
        QModelIndexList After;
        for (const QModelIndex& I : Before)
            After << index(NewRow[std::size_t(I.row())], I.column());
        changePersistentIndexList(Before, After);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    // The order: with FoldersFirst, folders ahead in either direction; then the column, then the name.
    struct Less {
        int Column;
        Qt::SortOrder Order;
        bool FoldersFirst;
        bool operator==(const Less&) const = default;
        bool operator()(const TShellEntry& A, const TShellEntry& B) const {
            if (FoldersFirst && A.Folder != B.Folder)
                return A.Folder;
            return Order == Qt::AscendingOrder ? Ascending(A, B) : Ascending(B, A);
        }
        bool Ascending(const TShellEntry& A, const TShellEntry& B) const {
            if (Column == TPTShellList::SizeColumn && A.Size != B.Size)
                return A.Size < B.Size;
            if (Column == TPTShellList::DateColumn && A.Modified != B.Modified)
                return A.Modified < B.Modified;
            if (Column == TPTShellList::TypeColumn) {
                const QString TA = TShellIcons::TypeOf(A.Name, A.Folder), TB = TShellIcons::TypeOf(B.Name, B.Folder);
                if (const int C = TA.compare(TB, Qt::CaseInsensitive))
                    return C < 0;
            }
            const int C = A.Key.compare(B.Key);
            return C != 0 ? C < 0 : A.Name < B.Name;
        }
    };
    // What a reading thread reports to, while the model lives.
    struct TAlive {
        std::mutex Guard;
        TShellListModel* Model = nullptr;
    };

    // Reads the folder on a thread of its own; the newest read wins.
    void Read() {
        const std::uint64_t Ticket = ++Reads;
        std::thread([Alive = Alive, Path = Folder, Ticket, Sort = Less{SortColumn, SortOrder, FoldersFirst}] {
            auto Read = std::make_shared<std::vector<TShellEntry>>(ReadFolder(Path));
            std::stable_sort(Read->begin(), Read->end(), Sort);
            const std::lock_guard Lock(Alive->Guard);
            if (TShellListModel* Model = Alive->Model)
                QMetaObject::invokeMethod(
                    Model, [Model, Read, Ticket, Path, Sort] { Model->Arrived(Ticket, Path, Read, Sort); },
                    Qt::QueuedConnection);
        }).detach();
    }
    void Arrived(std::uint64_t Ticket, const QString& Path, const std::shared_ptr<std::vector<TShellEntry>>& Read,
                 const Less& Sorted) {
        if (Ticket != Reads || Path != Folder)
            return;
        const bool First = !Ready;
        Replacing(First);
        beginResetModel();
        Entries = std::move(*Read);
        Ready = true; // a folder that cannot be read is shown as empty
        endResetModel();
        // The order may have been changed while the folder was read.
        if (Sorted != Less{SortColumn, SortOrder, FoldersFirst})
            sort(SortColumn, SortOrder);
        Replaced(First);
    }

public:
    // Around each replacement of the entries (First: the folder's first read).
    std::function<void(bool)> OnReplacing, OnReplaced;

private:
    void Replacing(bool First) {
        if (OnReplacing)
            OnReplacing(First);
    }
    void Replaced(bool First) {
        if (OnReplaced)
            OnReplaced(First);
    }

    const TShellIcons& Icons;
    std::shared_ptr<TAlive> Alive;
    QFileSystemWatcher Watcher;
    QTimer Reread;
    QString Folder;
    std::vector<TShellEntry> Entries;
    std::uint64_t Reads = 0;
    bool Ready = false;
    int SortColumn = TPTShellList::NameColumn;
    Qt::SortOrder SortOrder = Qt::AscendingOrder;
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

TPTShListData::TPTShListData(const QString& Path, bool IsFolder, std::int64_t Size)
    : FullPath(Path), Name(QFileInfo(Path).fileName()), Folder(IsFolder), Bytes(IsFolder ? 0 : Size) {}

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
    : QTreeView(Parent), Icons(std::make_unique<TShellIcons>()), Model(std::make_unique<TShellListModel>(*Icons)) {
    // A folder read again (it changed) keeps the selection and the current entry, by name.
    Model->OnReplacing = [this](bool First) {
        Keep.clear();
        KeepCurrent.clear();
        if (First)
            return;
        for (int I = 0; I < ItemCount(); ++I)
            if (ItemSelected(I))
                Keep << Model->Entry(I)->Name;
        if (const TShellEntry* E = Model->Entry(currentIndex().row()))
            KeepCurrent = E->Name;
        KeepScroll = verticalScrollBar()->value();
    };
    Model->OnReplaced = [this](bool First) {
        Data.clear();
        SelectedCacheValid = false;
        if (First)
            return;
        BeginUpdate();
        for (int I = 0; I < ItemCount(); ++I) {
            const QString& Name = Model->Entry(I)->Name;
            if (Keep.contains(Name))
                SetItemSelected(I, true);
            if (Name == KeepCurrent)
                selectionModel()->setCurrentIndex(Item(I), QItemSelectionModel::NoUpdate);
        }
        EndUpdate();
        verticalScrollBar()->setValue(KeepScroll);
    };
    setModel(Model.get());
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
    connect(Model.get(), &QAbstractItemModel::layoutChanged, this, Forget);
    connect(Model.get(), &QAbstractItemModel::modelReset, this, Forget);
    connect(this, &QAbstractItemView::activated, this, [this](const QModelIndex& I) {
        if (const TShellEntry* E = Model->Entry(I.row()); E && E->Folder)
            emit FolderOpened(QDir(ShownFolder).filePath(E->Name));
    });
}

TPTShellList::~TPTShellList() {
    setModel(nullptr);
}

void TPTShellList::SetFolder(const QString& Folder) {
    const QString Clean = CleanPath(Folder);
    if (Folder.isEmpty() || Clean == ShownFolder || !QFileInfo(Clean).isDir())
        return;
    Data.clear();
    Pending.clear();
    SelectedCacheValid = false;
    ShownFolder = Clean;
    Model->SetFolder(Clean);
}

bool TPTShellList::Loaded() const {
    return !ShownFolder.isEmpty() && Model->Loaded();
}

bool TPTShellList::WaitLoaded(int Ms) {
    if (Loaded() || ShownFolder.isEmpty())
        return Loaded();
    QEventLoop Loop;
    QTimer::singleShot(Ms, &Loop, &QEventLoop::quit);
    connect(Model.get(), &QAbstractItemModel::modelReset, &Loop, [this, &Loop] {
        if (Loaded())
            Loop.quit();
    });
    Loop.exec(QEventLoop::ExcludeUserInputEvents);
    return Loaded();
}

int TPTShellList::ItemCount() const {
    return Model->rowCount();
}

QModelIndex TPTShellList::Item(int Index) const {
    return Index >= 0 && Index < ItemCount() ? Model->index(Index, NameColumn) : QModelIndex();
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
        if (Range.left() <= NameColumn && Range.right() >= NameColumn)
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
    const int LastColumn = Model->columnCount() - 1;
    for (int Row = 0; Row < Count; ++Row) {
        if (!Selected[static_cast<std::size_t>(Row)])
            continue;
        const int First = Row;
        while (Row + 1 < Count && Selected[static_cast<std::size_t>(Row + 1)])
            ++Row;
        NewSelection.select(Model->index(First, 0), Model->index(Row, LastColumn));
    }
    selectionModel()->select(NewSelection, QItemSelectionModel::ClearAndSelect);
}

const TPTShListData* TPTShellList::ListData(int Index) {
    const TShellEntry* E = Model->Entry(Index);
    if (!E)
        return nullptr;
    std::unique_ptr<TPTShListData>& Entry = Data[E->Name];
    if (!Entry)
        Entry = std::make_unique<TPTShListData>(QDir(ShownFolder).filePath(E->Name), E->Folder, E->Size);
    return Entry.get();
}

void TPTShellList::SetFoldersFirst(bool On) {
    FoldersAhead = On;
    Model->SetFoldersFirst(On);
}

void TPTShellList::HideTypeColumn() {
    hideColumn(TypeColumn);
}

} // namespace quorvane
