#pragma once

// The shell browser of creation mode: a folder tree (TPTShellTree) linked to a file list (TPTShellList), both over
// QFileSystemModel, in a two-pane splitter (TPTSplitter). The models read folders on their own thread and follow
// changes on disk; the widgets are used from the user-interface thread only.

#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QModelIndex>
#include <QSet>
#include <QSplitter>
#include <QString>
#include <QTreeView>

namespace quorvane {

class TPTShellList;
class TShellIcons;
class TShellListModel;

// Two panes side by side; the divider stands 254 px from the left when the splitter is first shown.
class TPTSplitter : public QSplitter {
    Q_OBJECT
public:
    static constexpr int DividerPos = 254;
    explicit TPTSplitter(QWidget* Parent = nullptr);

protected:
    void showEvent(QShowEvent* Event) override;

private:
    bool Placed = false;
};

// What the program reads of one entry of the file list, as the list shows it.
class TPTShListData {
public:
    TPTShListData(const QString& Path, bool IsFolder, std::int64_t Size);

    // True for an existing folder (a link to one included), false for files and anything else.
    bool IsFolder() const { return Folder; }
    // The last name of the entry's path.
    const QString& FileName() const { return Name; }
    // The file's size in bytes (a link's target's); 0 for folders.
    std::int64_t Size() const { return Bytes; }
    const QString& Path() const { return FullPath; }

private:
    QString FullPath;
    QString Name;
    bool Folder = false;
    std::int64_t Bytes = 0;
};

// The folder tree: folders only (hidden ones too), from "/" down. Selecting a folder fills the linked list.
class TPTShellTree : public QTreeView {
    Q_OBJECT
public:
    explicit TPTShellTree(QWidget* Parent = nullptr);
    ~TPTShellTree() override;

    // The path of the selected folder; empty when none is selected.
    QString Path() const;
    // Selects the folder Path and, when SetPath returns, the linked list shows that folder's entries (waits up to
    // LoadWait ms for them, with the wait cursor). An empty path does nothing; a path that is no folder leaves the
    // selection as it is and returns false.
    bool SetPath(const QString& Path);
    static constexpr int LoadWait = 10000;

    // The list that shows the selected folder's entries (none by default).
    void SetShellList(TPTShellList* List);
    TPTShellList* ShellList() const { return List; }

private:
    // Selects and opens the folder at the model's index I; the list follows.
    void SelectFolder(const QModelIndex& I);
    void FolderChanged();

    void mousePressEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;

    std::unique_ptr<TShellIcons> Icons; // outlives the model, whose reading thread uses it
    QFileSystemModel Model;
    TPTShellList* List = nullptr;
    static constexpr int RevealMs = 3000; // how long a newly selected folder is kept in view
    QElapsedTimer Revealing;
    bool RevealPosted = false;
    QMetaObject::Connection ListLink;
};

// The file list: one folder's files and folders (hidden ones too) in report style, rows selected whole, several at
// once. Item indexes run in the order shown. The folder is read, and read again when it changes, on a thread of
// its own; the entries arrive all at once, sorted.
class TPTShellList : public QTreeView {
    Q_OBJECT
public:
    explicit TPTShellList(QWidget* Parent = nullptr);
    ~TPTShellList() override;

    // The folder shown; empty before one is set.
    QString Folder() const { return ShownFolder; }
    // Shows the entries of Folder; they arrive in the background (Loaded tells when all have).
    void SetFolder(const QString& Folder);
    // True once the shown folder has been read completely.
    bool Loaded() const;
    // Waits, running events but no user input, until Loaded or Ms milliseconds have passed; returns Loaded.
    bool WaitLoaded(int Ms);

    int ItemCount() const;
    // The index of item Index in the order shown (column 0); invalid outside 0..ItemCount-1.
    QModelIndex Item(int Index) const;
    int SelectedCount() const;
    bool ItemSelected(int Index) const;
    void SetItemSelected(int Index, bool Selected);
    // Bracket many selection changes: they take effect together, with one repaint, at the outermost EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    // The data of item Index, made on first use and kept while the folder is shown; null outside the items.
    const TPTShListData* ListData(int Index);

    bool FoldersFirst() const { return FoldersAhead; }
    void SetFoldersFirst(bool On);
    void HideTypeColumn();

    // Model columns.
    enum { NameColumn = 0, SizeColumn = 1, TypeColumn = 2, DateColumn = 3 };

signals:
    // A folder of the list was opened (double click or Return).
    void FolderOpened(const QString& Path);

private:
    void ApplyPending();
    // Whether each item is selected, by index; asking the selection model item by item is slow with many ranges.
    const std::vector<char>& SelectedItems() const;

    std::unique_ptr<TShellIcons> Icons; // outlives the model
    std::unique_ptr<TShellListModel> Model;
    QString ShownFolder;
    QStringList Keep;   // while the folder is read again: the names selected,
    QString KeepCurrent; // the current entry's
    int KeepScroll = 0;  // and where the list was scrolled to
    bool FoldersAhead = false;
    int UpdateDepth = 0;
    std::map<int, bool> Pending; // selection changes inside BeginUpdate/EndUpdate, by item
    mutable std::vector<char> SelectedCache;
    mutable bool SelectedCacheValid = false;
    std::unordered_map<QString, std::unique_ptr<TPTShListData>> Data;
};

} // namespace quorvane
