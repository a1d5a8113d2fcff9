#include "ui/AboutDlg.h"

#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

#include "ui/DialogSeam.h"
#include "ui/Links.h"
#include "util/Base64.h"

namespace quorvane {

namespace {

// A link: blue, underlined, hand cursor. An address too long for the label is shown shortened in the
// middle ("file:///usr/.../README.md"); the whole address is its tool tip.
class TLinkLabel : public TClickLabel {
public:
    TLinkLabel(const QString& Address, QWidget* Parent) : TClickLabel(Address, Parent) {
        QFont Underlined = font();
        Underlined.setUnderline(true);
        setFont(Underlined);
        QPalette Blue = palette();
        Blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
        setPalette(Blue);
        setCursor(Qt::PointingHandCursor);
        setToolTip(Address);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter Painter(this);
        const QRect R = contentsRect();
        const QString Shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, R.width());
        style()->drawItemText(&Painter, R, Qt::AlignLeft | Qt::AlignTop, palette(), isEnabled(), Shown,
                              foregroundRole());
    }
};

} // namespace

void TClickLabel::mousePressEvent(QMouseEvent* Event) {
    Pressed = Event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(Event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* Event) {
    const bool Click = Pressed && Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint());
    Pressed = false;
    QLabel::mouseReleaseEvent(Event);
    if (Click && OnClick)
        OnClick();
}

TClickLabel* NewDonationImage(QWidget* Parent) {
    auto* Image = new TClickLabel(Parent);
    Image->setObjectName(QStringLiteral("Image2"));
    Image->setFixedSize(62, 31);
    Image->setPixmap(QIcon(QStringLiteral(":/icons/donate.svg")).pixmap(Image->size()));
    Image->setCursor(Qt::PointingHandCursor);
    return Image;
}

QUrl DonationUrl() {
    return QUrl::fromUserInput(QString::fromStdString(Base64Decode(DonateUrlBase64)));
}

void OpenDonationUrl() {
    Dialogs().OpenUrl(DonationUrl());
}

TFrmAbout::TFrmAbout(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("TFrmAbout"));
    setWindowTitle(QStringLiteral("About"));
    // A fixed border with the close button only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The desktop's typeface at 8 points, the size the layout's positions are made for.
    QFont Small = QApplication::font();
    Small.setPointSize(8);
    setFont(Small);
    setFixedSize(338, 141);
    const int LineHeight = fontMetrics().height();

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 8, 32, 32);
    Image1->setPixmap(QIcon(QStringLiteral(":/icons/program.svg")).pixmap(Image1->size()));

    // The title: Label2, blue and transparent, lies over Label1 one pixel to the left, so the dark copy
    // shows as an edge on the right of each letter.
    QFont TitleFont = font();
    TitleFont.setPixelSize(24);
    const int TitleHeight = QFontMetrics(TitleFont).height();
    auto Title = [&](QLabel*& Label, const char* Name, int Left) {
        Label = new QLabel(QStringLiteral("Quorvane"), this);
        Label->setObjectName(Name);
        Label->setFont(TitleFont);
        Label->setGeometry(Left, 11, width() - 8 - Left, TitleHeight);
    };
    Title(Label1, "Label1", 57);
    Title(Label2, "Label2", 56);
    QPalette Blue = Label2->palette();
    Blue.setColor(QPalette::WindowText, QColor(0, 128, 255));
    Label2->setPalette(Blue);
    Label2->setAutoFillBackground(false);
    Label2->raise();

    auto Credit = [&](QLabel*& Label, const char* Name, int Top, const QString& Text) {
        Label = new QLabel(Text, this);
        Label->setObjectName(Name);
        Label->setGeometry(18, Top, 164 - 4 - 18, LineHeight);
    };
    Credit(Label3, "Label3", 50, QStringLiteral("By the Quorvane team"));
    Credit(Label4, "Label4", 70, QStringLiteral("Icons: Quorvane team"));

    auto Link = [&](TClickLabel*& Label, const char* Name, int Top, const char* Address, void (TFrmAbout::*Click)()) {
        Label = new TLinkLabel(QString::fromUtf8(Address), this);
        Label->setObjectName(Name);
        Label->setGeometry(164, Top, width() - 8 - 164, LineHeight);
        Label->OnClick = [this, Click] { (this->*Click)(); };
    };
    Link(Label6, "Label6", 50, HomepageUrl, &TFrmAbout::Label6Click);
    Link(Label5, "Label5", 70, SupportUrl, &TFrmAbout::Label5Click);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(14, 93, 313, 4);

    Image2 = NewDonationImage(this);
    Image2->move(14, 101);
    Image2->OnClick = [this] { Image2Click(); };

    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(252, 107, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Button1->setFocus();
}

void TFrmAbout::Label6Click() {
    Dialogs().OpenUrl(QUrl::fromUserInput(Label6->text()));
}

void TFrmAbout::Label5Click() {
    Dialogs().OpenUrl(QUrl::fromUserInput(Label5->text()));
}

void TFrmAbout::Image2Click() {
    OpenDonationUrl();
}

void TFrmAbout::keyPressEvent(QKeyEvent* Event) {
    // Escape is the Close button too: the dialog closes with the OK result, as with Enter.
    if (Event->key() == Qt::Key_Escape && Event->modifiers() == Qt::NoModifier) {
        Button1->click();
        return;
    }
    QDialog::keyPressEvent(Event);
}

} // namespace quorvane
