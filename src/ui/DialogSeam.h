#pragma once

// The one seam through which the program shows modal dialogs and message boxes. The default shows them
// with QMessageBox and QFileDialog; tests install their own so they never wait on a modal loop.
// User-interface thread only.

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

class QDialog;
class QUrl;
class QWidget;

namespace quorvane {

// What an open-file dialog is asked for.
struct TOpenRequest {
    QString Directory;       // initial folder; empty: the dialog's default
    QString FileName;        // name filled in at start
    QStringList NameFilters; // Qt name filters, the first selected
    QString DefaultSuffix;   // added to a typed name without extension
};

// What a save-file dialog is asked for. The dialog adds no extension of its own and asks no overwrite
// question: the caller decides the final name and asks for that one.
struct TSaveRequest {
    QString Directory;       // initial folder; empty: the dialog's default
    QStringList NameFilters; // Qt name filters
    int FilterIndex = 1;     // in: the filter selected at start (from 1); out: the one chosen
};

class TDialogSeam {
public:
    enum class TButtons { YesNo, OkCancel };
    virtual ~TDialogSeam() = default;

    // Question box with a question icon; true for Yes / OK.
    virtual bool Question(QWidget* Parent, const QString& Title, const QString& Text, TButtons Buttons) = 0;
    // Information box.
    virtual void Information(QWidget* Parent, const QString& Title, const QString& Text) = 0;
    // Error box with the stop icon.
    virtual void Error(QWidget* Parent, const QString& Title, const QString& Text) = 0;
    // Open dialog for existing files, several allowed; the chosen full paths in order, empty when cancelled.
    virtual QStringList OpenFileNames(QWidget* Parent, const TOpenRequest& Request) = 0;
    // Save dialog; the full path as typed, empty when cancelled. Request.FilterIndex returns the chosen filter.
    virtual QString SaveFileName(QWidget* Parent, TSaveRequest& Request) = 0;
    // Runs one of the program's own modal dialogs (already built and placed); its result code.
    virtual int Exec(QDialog& Dialog) = 0;
    // Opens an address with the desktop's own handler (a web browser, a document viewer); whether
    // anything could open it is not reported.
    virtual void OpenUrl(const QUrl& Url);
};

// The seam in force.
TDialogSeam& Dialogs();
// Installs a seam (not owned); nullptr restores the default.
void SetDialogs(TDialogSeam* Seam);
// The application's general error box: the text under the title "Quorvane".
void ShowGeneralError(const QString& Text);

// Qt name filters of a filter written as "Description|pattern;pattern|..." ("*.*" becomes "*").
QStringList QtNameFilters(const QString& Filter);
// Where the open dialog stands on a monitor: centred horizontally, a third of the way down plus 40 px.
QRect OpenDialogGeometry(const QRect& Monitor, const QSize& Dialog);

} // namespace quorvane
