#pragma once

// TFrmFA, the "Options" dialog: associates list files with the program, adds the folder actions that create
// lists, and edits the four options of the settings store. Opening reads the current state; OK writes what
// changed and applies the options to the running main window at once; Cancel and the title bar write nothing.
// An error while writing reaches the general error box and leaves the dialog open. User-interface thread.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace quorvane {

// What the dialog changes in the running main window.
class TOptionsTarget {
public:
    virtual ~TOptionsTarget() = default;
    // The size display (used when 0, 1 or 2), the tool bar layout (0 left, 1 top, other values change
    // nothing) and the progress panel; the shell list is repainted, the size texts formatted anew.
    virtual void ApplyOptions(int SizeType, int ToolbarPosition, bool ShowProgress) = 0;
};

class TFrmFA : public QDialog {
    Q_OBJECT
public:
    TFrmFA(TOptionsTarget& Target, QWidget* Parent = nullptr);

    // OK and Cancel (also what the buttons run).
    void Button2Click();
    void Button1Click();

private:
    void keyPressEvent(QKeyEvent* Event) override;
    void FormCreate();

    TOptionsTarget& MainWindow;
    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5, *CheckBox6;
    QComboBox *ComboBox1, *ComboBox2;
    QPushButton *Button1, *Button2;
    bool SfvAtOpen = false, Md5AtOpen = false; // associated when the dialog opened
};

} // namespace quorvane
