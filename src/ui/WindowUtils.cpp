#include "ui/WindowUtils.h"

#include "ui/DialogSeam.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

namespace quorvane {

namespace {

// A * B / C in 64 bits, rounded to the nearest integer, halves away from zero; -1 when C is 0.
int MulDiv(int A, int B, int C) {
    if (C == 0)
        return -1;
    const qint64 Product = qint64(A) * B;
    qint64 Quotient = Product / C;
    const qint64 Rest = Product % C;
    if (2 * (Rest < 0 ? -Rest : Rest) >= (C < 0 ? -qint64(C) : qint64(C)))
        Quotient += (Product < 0) != (C < 0) ? -1 : 1;
    return int(Quotient);
}

// The program's main window: the window of the active widget, else the first visible top-level
// widget that is not a dialog; nullptr when there is none.
QWidget* MainWindow() {
    if (QWidget* Active = QApplication::activeWindow())
        return Active->window();
    for (QWidget* Top : QApplication::topLevelWidgets())
        if (Top->isVisible() && !qobject_cast<QDialog*>(Top))
            return Top;
    return nullptr;
}

} // namespace

void CenterForm(QWidget* Parent, QWidget* Form) {
    if (!Form)
        return;
    QScreen* Own = Form->screen();
    QScreen* Target = nullptr;
    if (Parent && Parent->isVisible())
        Target = Parent->screen();
    if (!Target && QApplication::activeWindow())
        Target = QApplication::activeWindow()->screen();
    if (!Target)
        Target = Own ? Own : QGuiApplication::primaryScreen();
    if (!Target)
        return;
    const QRect Mon = Target->geometry();
    const QSize Size = Form->frameGeometry().size();
    QPoint Pos(Mon.left() + (Mon.width() - Size.width()) / 2, Mon.top() + (Mon.height() - Size.height()) / 2);
    if (Parent && Parent->isVisible() && Own == Target) {
        const QRect P = Parent->frameGeometry();
        QPoint Over(P.left() + P.width() / 2 - Size.width() / 2, P.top() + P.height() / 2 - Size.height() / 2);
        if (Over.y() + Size.height() <= Mon.bottom() + 1)
            Pos.setY(Over.y());
        if (Over.x() >= Mon.left() && Over.x() + Size.width() <= Mon.right() + 1)
            Pos.setX(Over.x());
    }
    Form->move(Pos);
}

QSize AverageCharSize(const QFont& Font) {
    static const QString Letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics Metrics(Font);
    return QSize(Metrics.horizontalAdvance(Letters) / 52, Metrics.height());
}

bool InputQueryEx(const QString& Caption, const QString& Prompt, bool Password, bool StayOnTop, bool LimitLength,
                  QString& Value) {
    QWidget* Parent = QApplication::activeWindow();
    QDialog Dlg(Parent);
    Dlg.setObjectName(QStringLiteral("InputQueryEx"));
    if (QWidget* Main = MainWindow())
        Dlg.setFont(Main->font());
    const QSize Avg = AverageCharSize(Dlg.font());
    const int X = Avg.width(), Y = Avg.height();

    // Fixed border, no context help; sizes in dialog units of the average character.
    Dlg.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    Dlg.setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    if (StayOnTop)
        Dlg.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    Dlg.setWindowTitle(Caption);
    int ClientWidth = MulDiv(180, X, 4);

    auto* Label = new QLabel(Prompt, &Dlg);
    Label->setObjectName(QStringLiteral("Prompt"));
    Label->setTextFormat(Qt::PlainText);
    Label->adjustSize();
    Label->move(MulDiv(8, X, 4), MulDiv(8, Y, 8));
    const int Left = Label->x();
    if (Label->width() > ClientWidth)
        ClientWidth = Label->width() + 2 * Left;

    auto* Edit = new QLineEdit(&Dlg);
    Edit->setObjectName(QStringLiteral("Edit"));
    if (Password)
        Edit->setEchoMode(QLineEdit::Password);
    if (LimitLength)
        Edit->setMaxLength(250);
    Edit->setText(Value);
    Edit->selectAll();
    int EditWidth = MulDiv(164, X, 4);
    if (Label->width() > EditWidth)
        EditWidth = ClientWidth - 2 * Left;
    Edit->setGeometry(Left, Label->y() + Label->height() + MulDiv(8, X, 8), EditWidth, Edit->sizeHint().height());

    const int ButtonTop = Edit->y() + Edit->height() + MulDiv(13, X, 8);
    const int ButtonWidth = MulDiv(50, X, 4), ButtonHeight = MulDiv(14, Y, 8);
    auto* Ok = new QPushButton(QStringLiteral("OK"), &Dlg);
    Ok->setObjectName(QStringLiteral("OK"));
    Ok->setGeometry(MulDiv(38, X, 4), ButtonTop, ButtonWidth, ButtonHeight);
    Ok->setDefault(true);
    QObject::connect(Ok, &QPushButton::clicked, &Dlg, &QDialog::accept);
    auto* Cancel = new QPushButton(QStringLiteral("Cancel"), &Dlg);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    Cancel->setGeometry(MulDiv(92, X, 4), ButtonTop, ButtonWidth, ButtonHeight);
    QObject::connect(Cancel, &QPushButton::clicked, &Dlg, &QDialog::reject);

    const QSize Client(ClientWidth, ButtonTop + ButtonHeight + MulDiv(13, X, 8));
    Dlg.setFixedSize(Client);

    // Centred on the available area of the dialog's monitor (the parent's when there is one).
    QScreen* Screen = Parent ? Parent->screen() : Dlg.screen();
    if (!Screen)
        Screen = QGuiApplication::primaryScreen();
    if (Screen) {
        QRect Placed(QPoint(), Client);
        Placed.moveCenter(Screen->availableGeometry().center());
        Dlg.move(Placed.topLeft());
    }
    Edit->setFocus();

    if (Dialogs().Exec(Dlg) != QDialog::Accepted)
        return false;
    Value = Edit->text();
    return true;
}

} // namespace quorvane
