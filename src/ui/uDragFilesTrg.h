#pragma once

// TDragFilesTrg: makes a window a target for files dropped from the file manager. While Enabled the
// window accepts drags that carry local file URLs; a drop collects the full paths (never cut short) and
// the drop point, finishes, and then OnDrop is emitted from the event loop. While disabled, drags are
// refused (the refusing cursor shows).
// User-interface thread only.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QMimeData;

namespace quorvane {

class TDragFilesTrg : public QObject {
    Q_OBJECT
public:
    explicit TDragFilesTrg(QObject* Owner = nullptr);
    ~TDragFilesTrg() override;

    // Whether drops are accepted; takes effect at once.
    bool Enabled() const { return IsEnabled; }
    void SetEnabled(bool Value);
    // The window that receives drops (may be none).
    QWidget* Target() const { return TargetWidget; }
    void SetTarget(QWidget* Value);

    // Full paths of the last drop's files, in the order the file manager gave them.
    const QStringList& Files() const { return FileList; }
    // Number of entries in Files.
    int FileCount() const { return static_cast<int>(FileList.size()); }
    // Where the last drop happened, in the target's coordinates.
    QPoint DropPoint() const { return Point; }

    // The local file paths a drag carries (URLs that are not local files are left out).
    static QStringList LocalFiles(const QMimeData* Data);

signals:
    // Raised after each drop, once the drop has finished and Files and DropPoint are set (a queued call).
    void OnDrop(TDragFilesTrg* Sender);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    bool IsEnabled = true;
    QPointer<QWidget> TargetWidget;
    QStringList FileList;
    QPoint Point;
};

} // namespace quorvane
