#pragma once

// TFrmAbout: the About box. The program's title (a blue copy drawn over a dark one, a pixel to its left, for
// an edge), the credits, two links and the donation picture. Close, Enter and Escape close it with the OK
// result. The links and the donation picture open their addresses through the desktop (Dialogs().OpenUrl);
// the main window carries the same donation picture. User-interface thread only.

#include <functional>

#include <QDialog>
#include <QLabel>
#include <QUrl>

class QFrame;
class QPushButton;

namespace quorvane {

// A label that runs OnClick when the left mouse button is pressed and released on it.
class TClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> OnClick;

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;

private:
    bool Pressed = false;
};

// The donation picture, "Image2" under Parent: 62 x 31 px with a hand cursor. Its owner sets OnClick.
TClickLabel* NewDonationImage(QWidget* Parent);
// The donation address, decoded from the base64 text the program keeps.
QUrl DonationUrl();
// Opens the donation address through the desktop.
void OpenDonationUrl();

class TFrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFrmAbout(QWidget* Parent = nullptr);

    // Open the addresses of the links (their captions) and of the donation picture.
    void Label6Click();
    void Label5Click();
    void Image2Click();

    // Controls, under the names of the dialog's layout (each one's objectName).
    QLabel* Image1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr; // the title, dark and blue; the opener sets their text
    QLabel *Label3 = nullptr, *Label4 = nullptr; // credit lines
    TClickLabel *Label6 = nullptr, *Label5 = nullptr;
    QFrame* Bevel1 = nullptr;
    TClickLabel* Image2 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
};

} // namespace quorvane
