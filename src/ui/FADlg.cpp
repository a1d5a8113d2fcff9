#include "ui/FADlg.h"

#include <stdexcept>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "settings/Registry.h"
#include "settings/SettingsStore.h"
#include "shell/Desktop.h"
#include "ui/DialogSeam.h"
#include "ui/WindowUtils.h"

namespace quorvane {

namespace {

// The dialog is laid out for a font whose average character is 5 px wide and 13 px high; a larger desktop
// font moves and widens everything alike, across by the width and down by the height.
class TScale {
public:
    explicit TScale(const QFont& Font) : Char(AverageCharSize(Font).expandedTo({5, 13})) {}
    int X(int Pixels) const { return (Pixels * Char.width() + 2) / 5; }
    int Y(int Pixels) const { return (Pixels * Char.height() + 6) / 13; }
    QRect operator()(int Left, int Top, int Width, int Height) const {
        return {X(Left), Y(Top), X(Width), Y(Height)};
    }

private:
    QSize Char;
};

} // namespace

TFrmFA::TFrmFA(TOptionsTarget& Target, QWidget* Parent) : QDialog(Parent), MainWindow(Target) {
    setObjectName("FrmFA");
    setWindowTitle("Options");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const TScale S(font());
    auto Frame = [&](const char* Name, QRect Bounds, QFrame::Shape Shape) {
        auto* F = new QFrame(this);
        F->setObjectName(Name);
        F->setFrameShape(Shape);
        F->setFrameShadow(QFrame::Sunken);
        F->setGeometry(Bounds);
    };
    auto Label = [&](const char* Name, const char* Text, QRect Bounds) {
        auto* L = new QLabel(Text, this);
        L->setObjectName(Name);
        L->setGeometry(Bounds);
        L->setWordWrap(true);
    };
    auto Check = [&](QCheckBox*& Box, const char* Name, const char* Text, QRect Bounds) {
        Box = new QCheckBox(Text, this);
        Box->setObjectName(Name);
        Box->setGeometry(Bounds);
    };
    auto Combo = [&](QComboBox*& Box, const char* Name, QStringList Items, QRect Bounds) {
        Box = new QComboBox(this);
        Box->setObjectName(Name);
        Box->addItems(Items);
        Box->setGeometry(Bounds);
    };
    auto Button = [&](QPushButton*& B, const char* Name, const char* Text, QRect Bounds, void (TFrmFA::*Click)()) {
        B = new QPushButton(Text, this);
        B->setObjectName(Name);
        B->setGeometry(Bounds);
        B->setAutoDefault(false); // neither is the default button: Enter does not close the dialog
        connect(B, &QPushButton::clicked, this, Click);
    };
    Frame("Bevel1", S(8, 8, 265, 234), QFrame::Box);
    Label("Label1", "Associate Quorvane with the following file types.", S(16, 16, 225, 13));
    Check(CheckBox1, "CheckBox1", "SFV", S(16, 36, 50, 17));
    Check(CheckBox2, "CheckBox2", "MD5", S(72, 36, 50, 17));
    Frame("Bevel2", S(16, 61, 249, 3), QFrame::HLine);
    Label("Label2", "Add Create to Explorer folder right-click menu", S(16, 70, 212, 13));
    Check(CheckBox4, "CheckBox4", "SFV", S(16, 90, 50, 17));
    Check(CheckBox5, "CheckBox5", "MD5", S(72, 90, 50, 17));
    Frame("Bevel4", S(16, 111, 249, 3), QFrame::HLine);
    Label("Label3", "Display File Size As", S(23, 125, 91, 13));
    Combo(ComboBox1, "ComboBox1", {"Auto", "KB", "Bytes"}, S(126, 121, 136, 21));
    Frame("Bevel3", S(16, 149, 249, 3), QFrame::HLine);
    Check(CheckBox3, "CheckBox3", "Remeber window size && position on exit", S(17, 159, 245, 17));
    Check(CheckBox6, "CheckBox6", "Show File Progress", S(17, 179, 245, 17));
    Frame("Bevel5", S(15, 200, 249, 3), QFrame::HLine);
    Label("Label4", "Toolbar Layout", S(23, 215, 71, 13));
    Combo(ComboBox2, "ComboBox2", {"Left", "Top"}, S(126, 211, 136, 21));
    Button(Button2, "Button2", "OK", S(110, 254, 75, 25), &TFrmFA::Button2Click);
    Button(Button1, "Button1", "Cancel", S(198, 254, 75, 25), &TFrmFA::Button1Click);
    setFixedSize(S.X(282), S.Y(289));
    QWidget* Order[] = {CheckBox1, CheckBox2, CheckBox3, Button2, Button1,
                        CheckBox4, CheckBox5, ComboBox1, CheckBox6, ComboBox2};
    for (std::size_t I = 0; I + 1 < std::size(Order); ++I)
        setTabOrder(Order[I], Order[I + 1]);
    CheckBox1->setFocus();
    FormCreate();
}

void TFrmFA::FormCreate() {
    // The association state: what cannot be read counts as off.
    try {
        CheckBox1->setChecked(FileTypeAssociated(TListKind::Sfv));
        CheckBox2->setChecked(FileTypeAssociated(TListKind::Md5));
        CheckBox4->setChecked(FolderActionPresent(TListKind::Sfv));
        CheckBox5->setChecked(FolderActionPresent(TListKind::Md5));
    } catch (const std::exception&) {
    }
    try {
        const TOptions O = ReadOptions();
        CheckBox3->setChecked(O.SavePos);
        CheckBox6->setChecked(O.ShowProgress);
        // A stored number that has no item leaves the list without a selection.
        ComboBox1->setCurrentIndex(O.SizeType >= 0 && O.SizeType < ComboBox1->count() ? O.SizeType : -1);
        ComboBox2->setCurrentIndex(O.ToolbarPosition >= 0 && O.ToolbarPosition < ComboBox2->count() ? O.ToolbarPosition
                                                                                                        : -1);
    } catch (const ERegistryException& E) {
        ShowGeneralError(QString::fromUtf8(E.what()));
    }
    SfvAtOpen = CheckBox1->isChecked();
    Md5AtOpen = CheckBox2->isChecked();
}

void TFrmFA::Button2Click() {
    try {
        // A change made counts as the state at opening from then on: an OK that fails later on and is pressed
        // again does not register or unregister twice (a second unregistering would lose the previous
        // application that the first one restored).
        const struct {
            TListKind Kind;
            bool& AtOpen;
            QCheckBox* Box;
        } Types[] = {{TListKind::Sfv, SfvAtOpen, CheckBox1}, {TListKind::Md5, Md5AtOpen, CheckBox2}};
        for (const auto& T : Types)
            if (!T.AtOpen && T.Box->isChecked()) {
                RegisterFileType(T.Kind);
                T.AtOpen = true;
            }
        for (const auto& T : Types)
            if (T.AtOpen && !T.Box->isChecked()) {
                UnregisterFileType(T.Kind);
                T.AtOpen = false;
            }
        // The folder actions are written on every OK, changed or not; what fails ends this step quietly.
        try {
            SetFolderAction(TListKind::Sfv, CheckBox4->isChecked());
            SetFolderAction(TListKind::Md5, CheckBox5->isChecked());
        } catch (const std::exception&) {
        }
        WriteOptions({ComboBox1->currentIndex(), ComboBox2->currentIndex(), CheckBox3->isChecked(),
                      CheckBox6->isChecked()});
    } catch (const std::exception& E) {
        // The dialog stays open, showing what the user chose.
        ShowGeneralError(QString::fromUtf8(E.what()));
        return;
    }
    MainWindow.ApplyOptions(ComboBox1->currentIndex(), ComboBox2->currentIndex(), CheckBox6->isChecked());
    accept();
}

void TFrmFA::Button1Click() {
    reject();
}

void TFrmFA::keyPressEvent(QKeyEvent* Event) {
    // There is no cancel button: Escape does not close the dialog.
    if (Event->key() == Qt::Key_Escape) {
        Event->accept();
        return;
    }
    QDialog::keyPressEvent(Event);
}

} // namespace quorvane
