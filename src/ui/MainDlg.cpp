#include "ui/MainDlg.h"

#include <unistd.h>

#include <algorithm>
#include <exception>
#include <unordered_set>

#include <QAction>
#include <QActionGroup>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "lists/ItemRows.h"
#include "lists/ListReader.h"
#include "settings/SettingsStore.h"
#include "ui/AboutDlg.h"
#include "shell/ShellBrowser.h"
#include "ui/ChecksumListModel.h"
#include "ui/ChecksumRowDelegate.h"
#include "ui/DialogSeam.h"
#include "ui/PathText.h"
#include "ui/QVstatus.h"
#include "ui/WindowUtils.h"
#include "ui/uDragFilesTrg.h"
#include "util/PathUtils.h"
#include "util/StringUtils.h"
#include "lists/RunFlags.h"
#include "verify/ChecksumSession.h"

// Resources of a static library must be registered by name, outside any namespace.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace quorvane {

namespace {

QIcon ToolIcon(const QString& Name) {
    QIcon Icon(":/icons/tb_" + Name + ".svg");
    Icon.addFile(":/icons/tb_" + Name + "_grey.svg", QSize(), QIcon::Disabled);
    return Icon;
}

// A label that never asks for more width than it gets: a text too long for it ends in "...".
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter Painter(this);
        const QRect R = contentsRect();
        const QString Shown = fontMetrics().elidedText(text(), Qt::ElideRight, R.width());
        style()->drawItemText(&Painter, R, static_cast<int>(alignment()), palette(), isEnabled(), Shown,
                              foregroundRole());
    }
};

// Width of the widest text of a size-text shape: every digit drawn as the font's widest digit, so texts that
// differ in their digits only are measured once.
class SizeTextWidths {
public:
    explicit SizeTextWidths(const QFontMetrics& Font) : Metrics(Font) {
        for (char D = '0'; D <= '9'; ++D)
            if (Metrics.horizontalAdvance(QChar(D)) > Metrics.horizontalAdvance(QChar(WideDigit)))
                WideDigit = D;
    }
    void Add(const std::string& Text) {
        Shape = Text;
        for (char& C : Shape)
            if (C >= '0' && C <= '9')
                C = WideDigit;
        if (Seen.insert(Shape).second)
            Widest = std::max(Widest, Metrics.horizontalAdvance(QString::fromStdString(Shape)));
    }
    int Widest = 0;

private:
    QFontMetrics Metrics;
    char WideDigit = '0';
    std::string Shape;
    std::unordered_set<std::string> Seen;
};

// The tool bar puts its buttons edge to edge on its panel: no frame, no margins.
class FlatToolBarStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric Metric, const QStyleOption* Option, const QWidget* Widget) const override {
        if (Metric == PM_ToolBarItemMargin || Metric == PM_ToolBarFrameWidth)
            return 0;
        return QProxyStyle::pixelMetric(Metric, Option, Widget);
    }
};

// Tool buttons are 66 px wide, with 16 px pictures; the tool bar on top is 40 px high.
constexpr int ButtonWidth = 66, IconSize = 16, TopBarHeight = 40;

// The largest font, 8 points at most, in which every caption fits its button in both layouts: beside the
// picture (Display's drop-down arrow after it, in the button's corner) and under it. The arrow takes
// the last PM_MenuButtonIndicator - 4 px of the button, as the common style draws it.
QFont ToolBarFont(QFont Font, const QStyle& Style) {
    const int Frame = Style.pixelMetric(QStyle::PM_DefaultFrameWidth);
    const int Arrow = Style.pixelMetric(QStyle::PM_MenuButtonIndicator) - 4;
    for (double Points : {8.0, 7.5, 7.0, 6.5, 6.0}) {
        Font.setPointSizeF(Points);
        const QFontMetrics Metrics(Font);
        bool Fits = IconSize + 4 + Metrics.height() + 2 * Frame <= TopBarHeight;
        for (const char* Caption : {"New", "Verify", "Open", "Check", "Create", "Abort", "Options ", "About"})
            Fits = Fits && IconSize + 4 + Metrics.horizontalAdvance(Caption) + 2 * Frame <= ButtonWidth;
        if (Fits && IconSize + 4 + Metrics.horizontalAdvance("Display") + 2 * Frame + Arrow <= ButtonWidth)
            break;
    }
    return Font;
}

QIcon StateIcon(int Image) {
    static const char* const Names[] = {"row_list", "row_unchecked", "row_missing", "row_bad", "row_good"};
    return QIcon(QString(":/icons/") + Names[Image] + ".svg");
}

} // namespace

TFrmMain::TFrmMain(std::vector<std::string> Args, QWidget* Parent) : QWidget(Parent), Arguments(std::move(Args)) {
    InitIconResources();
    // FormCreate
    AppClosing = false;
    DisplayFilter = 1;
    BuildControls();
    setWindowTitle(AppTitle);
    // Handled once the event loop runs and the window is on screen: a settings error is reported before
    // the command line opens anything (whose own errors would otherwise come first).
    const QString SettingsError = ApplyStartSettings();
    QMetaObject::invokeMethod(
        this, [this, SettingsError] { StartUp(SettingsError); }, Qt::QueuedConnection);
}

void TFrmMain::StartUp(const QString& SettingsError) {
    if (!SettingsError.isEmpty())
        ShowGeneralError(SettingsError);
    ProcessCommandLine();
}

TFrmMain::~TFrmMain() {
    // FormDestroy. A run still going (the window was destroyed without being closed) is stopped first;
    // the worker ends after its current chunk and nothing of it reaches the view any more.
    TheSession.Close();
    const bool Maximized = windowState() & Qt::WindowMaximized;
    std::string Error = WritePlacement({SavedWidth, SavedHeight, SavedLeft, SavedTop, Maximized});
    if (!Error.empty())
        ShowGeneralError(QString::fromStdString(Error));
    Model->SetRows({});
}

void TFrmMain::BuildControls() {
    resize(606, 462);
    auto* Root = new QVBoxLayout(this);
    Root->setContentsMargins(0, 0, 0, 0);
    Root->setSpacing(0);
    Body = new QBoxLayout(QBoxLayout::LeftToRight);
    Body->setSpacing(0);
    Root->addLayout(Body, 1);

    // Tool bar
    Panel5 = new QWidget(this);
    Panel5->setObjectName("Panel5");
    auto* P5 = new QVBoxLayout(Panel5);
    P5->setContentsMargins(0, 0, 0, 0);
    P5->setSpacing(0);
    ToolBar1 = new QToolBar(Panel5);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    auto* Flat = new FlatToolBarStyle;
    Flat->setParent(ToolBar1);
    ToolBar1->setStyle(Flat);
    P5->addWidget(ToolBar1, 1);
    // pnlbtn after the tool bar: ApplyToolbarPosition puts it at Panel5's bottom or right end.
    pnlbtn = new QWidget(Panel5);
    pnlbtn->setObjectName("pnlbtn");
    auto* Btn = new QVBoxLayout(pnlbtn);
    Btn->setContentsMargins(0, 0, 0, 0);
    Image2 = NewDonationImage(pnlbtn);
    Image2->OnClick = [this] { Image2Click(); };
    Btn->addWidget(Image2, 0, Qt::AlignCenter);
    P5->addWidget(pnlbtn);
    auto AddCommand = [this](QAction*& Action, const char* Name, const QString& Caption, const QString& Icon,
                             void (TFrmMain::*Handler)()) {
        Action = ToolBar1->addAction(ToolIcon(Icon), Caption);
        Action->setObjectName(Name);
        connect(Action, &QAction::triggered, this, Handler);
    };
    auto AddSeparator = [this](const char* Name) { ToolBar1->addSeparator()->setObjectName(Name); };
    AddCommand(bCreate, "bCreate", "New", "new", &TFrmMain::bCreateClick);
    AddCommand(bOpen, "bOpen", "Open", "open", &TFrmMain::bOpenClick);
    AddSeparator("ToolButton4");
    AddCommand(bCheck, "bCheck", "Check", "check", &TFrmMain::bCheckClick);
    AddCommand(bCancel, "bCancel", "Abort", "abort", &TFrmMain::bCancelClick);
    AddSeparator("ToolButton1");
    bDisplay = ToolBar1->addAction(ToolIcon("display"), "Display");
    bDisplay->setObjectName("bDisplay");
    AddCommand(bOptions, "bOptions", "Options ", "options", &TFrmMain::bOptionsClick);
    AddSeparator("ToolButton5");
    AddSeparator("ToolButton7");
    AddCommand(ToolButton3, "ToolButton3", "About", "about", &TFrmMain::ToolButton3Click);
    AddSeparator("ToolButton6");

    // Display filter menu: radio items of one group, tagged with the filter value.
    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName("PopupMenu3");
    auto* Group = new QActionGroup(PopupMenu3);
    auto AddFilter = [&](QAction*& Item, const char* Name, const char* Caption, int Tag) {
        Item = PopupMenu3->addAction(Caption);
        Item->setObjectName(Name);
        Item->setCheckable(true);
        Item->setData(Tag);
        Group->addAction(Item);
    };
    AddFilter(mnuAll, "mnuAll", "All", 1);
    PopupMenu3->addSeparator();
    AddFilter(mnuGood, "mnuGood", "Good", 4);
    AddFilter(mnuBad, "mnuBad", "Bad", 3);
    AddFilter(mnuMiss, "mnuMiss", "Missing", 2);
    mnuAll->setChecked(true);
    connect(Group, &QActionGroup::triggered, this, &TFrmMain::mnuDisplayClick);
    bDisplay->setMenu(PopupMenu3);
    // The Open button's menu, from its arrow: one file against a pasted hash.
    PopupMenuOpen = new QMenu(this);
    PopupMenuOpen->setObjectName("PopupMenuOpen");
    QAction* VerifyFile = PopupMenuOpen->addAction(QStringLiteral("Verify File\u2026"));
    VerifyFile->setObjectName("mnuVerifyFile");
    connect(VerifyFile, &QAction::triggered, this, &TFrmMain::VerifyFileClick);
    bOpen->setMenu(PopupMenuOpen);
    if (auto* B = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(bOpen)))
        B->setPopupMode(QToolButton::MenuButtonPopup);
    if (auto* B = qobject_cast<QToolButton*>(ToolBar1->widgetForAction(bDisplay))) {
        // The menu drops down from the whole button; its arrow is drawn in the button's corner.
        B->setPopupMode(QToolButton::InstantPopup);
        ToolBar1->setFont(ToolBarFont(ToolBar1->font(), *B->style()));
    }
    Body->addWidget(Panel5);

    // Client: the checksum list over the progress panel.
    pClient = new QWidget(this);
    pClient->setObjectName("pClient");
    auto* PC = new QVBoxLayout(pClient);
    PC->setContentsMargins(0, 0, 0, 0);
    PC->setSpacing(0);
    Model = new ChecksumListModel({StateIcon(0), StateIcon(1), StateIcon(2), StateIcon(3), StateIcon(4)}, this);
    lv = new QTableView(pClient);
    lv->setObjectName("lv");
    lv->setModel(Model);
    lv->setItemDelegate(new ChecksumRowDelegate(lv));
    lv->setShowGrid(true);
    lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lv->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    lv->setWordWrap(false);
    lv->setIconSize(QSize(16, 16));
    lv->verticalHeader()->hide();
    lv->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lv->verticalHeader()->setDefaultSectionSize(20);
    lv->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    lv->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    lv->horizontalHeader()->resizeSection(1, 90);
    lv->horizontalHeader()->setHighlightSections(false);
    lv->installEventFilter(this);
    PC->addWidget(lv, 1);

    // The progress panel has no layout of its own: Panel2Resize places its halves, so no text in them can
    // widen a half or the window.
    Panel2 = new QWidget(pClient);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(53);
    Panel2->installEventFilter(this);
    auto Half = [this](QWidget*& Panel, const char* Name, QLabel*& Caption, const char* CaptionName, const char* Text,
                       QProgressBar*& Bar, const char* BarName, QLabel*& Under, const char* UnderName) {
        Panel = new QWidget(Panel2);
        Panel->setObjectName(Name);
        auto* L = new QVBoxLayout(Panel);
        L->setSizeConstraint(QLayout::SetNoConstraint); // the half's width is Panel2Resize's alone
        L->setContentsMargins(4, 2, 4, 2);
        L->setSpacing(1);
        auto Label = [Panel](QLabel*& Out, const char* LabelName, const char* LabelText) {
            Out = new ElidedLabel(LabelText, Panel);
            Out->setObjectName(LabelName);
            Out->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        };
        Label(Caption, CaptionName, Text);
        Bar = new QProgressBar(Panel);
        Bar->setObjectName(BarName);
        Bar->setRange(0, 100);
        Bar->setTextVisible(false);
        Bar->setFixedHeight(14);
        Bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        Label(Under, UnderName, "");
        L->addWidget(Caption);
        L->addWidget(Bar);
        L->addWidget(Under);
    };
    Half(Panel3, "Panel3", lbFileName, "lbFileName", "File Progress", FileProgressBar, "FileProgressBar", Label1,
         "Label1");
    Half(Panel4, "Panel4", Label6, "Label6", "Total Progress", TotalProgressBar, "TotalProgressBar", Label7, "Label7");
    Panel2->hide();
    PC->addWidget(Panel2);
    Body->addWidget(pClient, 1);
    BuildShellBrowser();

    // Status bars
    sBar = new TqvStatusBar(this);
    sBar->setObjectName("sBar");
    for (const char* Name : {"Unchecked", "Missing", "Bad", "Good"})
        sBar->AddPanel(Name, 120, true);
    sBar->AddPanel(QString(), -1, false);
    connect(sBar, &TqvStatusBar::DrawPanel, this, &TFrmMain::sBarDrawPanel);
    Root->addWidget(sBar);
    sBar2 = new TqvStatusBar(this);
    sBar2->setObjectName("sBar2");
    sBar2->AddPanel(QString(), -1, false);
    connect(sBar2, &TqvStatusBar::DrawPanel, this, &TFrmMain::sBarDrawPanel);
    sBar2->hide();
    Root->addWidget(sBar2);

    DragFilesTrg1 = new TDragFilesTrg(this);
    DragFilesTrg1->setObjectName("DragFilesTrg1");
    DragFilesTrg1->SetTarget(this);
    connect(DragFilesTrg1, &TDragFilesTrg::OnDrop, this, &TFrmMain::DragFilesTrg1Drop);

    ApplyToolbarPosition(0);
}

void TFrmMain::ApplyToolbarPosition(int Position) {
    if (Position != 0 && Position != 1)
        return;
    const bool Left = Position == 0;
    Body->setDirection(Left ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    ToolBar1->setOrientation(Left ? Qt::Vertical : Qt::Horizontal);
    ToolBar1->setToolButtonStyle(Left ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextUnderIcon);
    if (Left) {
        Panel5->setMinimumHeight(0);
        Panel5->setMaximumHeight(QWIDGETSIZE_MAX);
        Panel5->setFixedWidth(67);
    } else {
        Panel5->setMinimumWidth(0);
        Panel5->setMaximumWidth(QWIDGETSIZE_MAX);
        Panel5->setFixedHeight(TopBarHeight);
    }
    // pnlbtn: 37 px high and 67 px wide at the bottom of Panel5 on the left; 67 px wide at its right end on top.
    static_cast<QBoxLayout*>(Panel5->layout())->setDirection(Left ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    if (Left) {
        pnlbtn->setFixedSize(67, 37);
    } else {
        pnlbtn->setMinimumHeight(0);
        pnlbtn->setMaximumHeight(QWIDGETSIZE_MAX);
        pnlbtn->setFixedWidth(67);
    }
    // Buttons 66 px wide in both layouts; separators 8 px (ToolButton7 1 px) along the bar.
    for (QAction* A : ToolBar1->actions()) {
        QWidget* W = ToolBar1->widgetForAction(A);
        if (!W)
            continue;
        if (!A->isSeparator()) {
            W->setFixedWidth(ButtonWidth);
            continue;
        }
        const int Extent = A->objectName() == "ToolButton7" ? 1 : 8;
        W->setMinimumSize(0, 0);
        W->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (Left)
            W->setFixedHeight(Extent);
        else
            W->setFixedWidth(Extent);
    }
}

void TFrmMain::Panel2Resize() {
    const int Width = Panel2->width(), Half = Width / 2;
    Panel3->setGeometry(0, 0, Half, Panel2->height());
    Panel4->setGeometry(Width - Half, 0, Half, Panel2->height());
}

void TFrmMain::FitSizeColumn(const std::string* NewText) {
    constexpr int DesignedWidth = 90;
    SizeTextWidths Widths(lv->fontMetrics());
    if (NewText)
        Widths.Add(*NewText);
    else
        for (const TRow& R : Model->Rows())
            if (R.Kind == TRowKind::File)
                Widths.Add(R.SizeText);
    // The cell's text margins on both sides, the grid line, and a pixel to spare for rounding.
    const int Margin = lv->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, lv) + 1;
    int Width = std::max(DesignedWidth, Widths.Widest + 2 * Margin + 2);
    if (NewText)
        Width = std::max(Width, lv->columnWidth(1));
    if (Width != lv->columnWidth(1))
        lv->horizontalHeader()->resizeSection(1, Width);
}

QString TFrmMain::ApplyStartSettings() {
    const TStartSettings S = ReadStartSettings();
    if (S.TopLayout)
        ApplyToolbarPosition(1);
    if (S.SizeType)
        SizeType = static_cast<std::uint8_t>(*S.SizeType);
    TheSession.Jobs = S.Jobs;
    Panel2->setVisible(S.ShowProgress);
    if (S.Width && S.Height)
        resize(*S.Width, *S.Height);
    if (S.Left && S.Top)
        move(*S.Left, *S.Top);
    if (S.Centre)
        CenterForm(nullptr, this);
    // The normal bounds as they stand now: a window that is shown maximized gets its first size and
    // move events only in the maximized state, and closing it so must not write zeros.
    SavedWidth = width();
    SavedHeight = height();
    SavedLeft = x();
    SavedTop = y();
    // Last: moving or resizing a hidden window drops its maximized state.
    if (S.Width && S.Height && S.Maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    return QString::fromStdString(S.Error);
}

void TFrmMain::ProcessCommandLine() {
    if (Arguments.empty())
        return;
    // The path exactly as given: names need not be valid text in any encoding.
    const std::string& First = Arguments.front();
    const std::string Lower = LowerAscii(First);
    if (Lower == "-makesfv" || Lower == "-makemd5") {
        CreateFromCommandLine(Lower == "-makemd5");
        return;
    }
    TheSession.ChecksumFiles.push_back(First);
    TakeSidecars();
    OpenDialogFileName = PathText(TheSession.ChecksumFiles.front());
    OpenDialogInitialDir = PathText(std::string(ExtractFilePath(TheSession.ChecksumFiles.front())));
    if (OpenChecksumFiles())
        StartCheck();
}

bool TFrmMain::TakeSidecars() {
    bool Took = false;
    for (std::string& File : TheSession.ChecksumFiles)
        if (std::string Sidecar = SidecarOf(File); !Sidecar.empty()) {
            File = std::move(Sidecar);
            Took = true;
        }
    return Took;
}

bool TFrmMain::OpenChecksumFiles() {
    if (Running())
        return false;
    // The rows point at the records that the reader disposes of first.
    Model->SetRows({});
    std::string Error;
    try {
        Error = TheSession.Open();
    } catch (const std::bad_alloc&) {
        Error = "Out of memory: the lists could not be read";
    }
    // After a failure the records read so far are shown, so no row refers to a disposed record; the caption
    // and Check stay as they were.
    RefillList();
    sBar->update();
    if (!Error.empty()) {
        ShowGeneralError(PathText(Error));
        return false;
    }
    bCheck->setEnabled(Model->rowCount() > 0);
    if (const auto& Problems = TheSession.OpenProblems(); !Problems.empty()) {
        QString Text = "These lines of the list were not understood and are left out:\n";
        for (std::size_t I = 0; I < Problems.size() && I < 20; ++I)
            Text += "\n" + PathText(Problems[I]);
        if (Problems.size() > 20)
            Text += "\n… and " + QString::number(Problems.size() - 20) + " more";
        Dialogs().Information(this, "Quorvane", Text);
    }
    // "[*]" would be taken for the window's modified mark and vanish from the caption.
    setWindowTitle(PathText(TheSession.Caption()).replace("[*]", "[*][*]"));
    return true;
}

LocaleFormat TFrmMain::Locale() const {
    const QLocale L = QLocale::system();
    LocaleFormat F;
    F.ThousandSeparator = L.groupSeparator().toStdString();
    F.DecimalSeparator = L.decimalPoint().toStdString();
    return F;
}

void TFrmMain::RefillList() {
    if (Running())
        return;
    Model->SetRows(BuildRows(TheSession.Items(), DisplayFilter, SizeType, Locale()));
    FitSizeColumn(nullptr);
}

void TFrmMain::ShowItemSize(int Row) {
    const auto& R = Model->Rows();
    if (Row < 0 || static_cast<std::size_t>(Row) >= R.size() || !R[static_cast<std::size_t>(Row)].Record)
        return;
    const std::string Text = ItemSizeText(R[static_cast<std::size_t>(Row)].Record->Size, SizeType, Locale());
    Model->SetSizeText(Row, Text);
    FitSizeColumn(&Text);
}

void TFrmMain::StartCheck() {
    if (Running())
        return;
    Progress.SetVisible(!Panel2->isHidden());
    Progress.SetLocale(Locale());
    ShownSerial = 0;
    TheSession.StartCheck(*this, Progress);
}

bool TFrmMain::Running() const {
    return TheSession.Running();
}

QString TFrmMain::StatusPanelText(int Panel) const {
    const TCounters& Counters = TheSession.Counters();
    const std::atomic<std::int32_t>* Counts[] = {&Counters.UncheckedCount, &Counters.MissingCount, &Counters.BadCount,
                                                 &Counters.GoodCount};
    if (Panel < 0 || Panel > 3 || Panel >= sBar->Panels().size())
        return {};
    return QString::number(Counts[Panel]->load()) + " " + sBar->Panels()[Panel].Text;
}

void TFrmMain::sBarDrawPanel(QPainter* Painter, int Panel, const QRect& Rect) {
    Painter->fillRect(Rect, palette().window());
    const QRect TextRect = Rect.adjusted(21, 0, 0, 0);
    Painter->setClipRect(TextRect);
    Painter->setPen(palette().color(QPalette::WindowText));
    Painter->drawText(QRect(TextRect.left(), Rect.top() + 3, TextRect.width(), Rect.height() - 3),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, StatusPanelText(Panel));
    Painter->setClipRect(Rect);
    if (Panel >= 0 && Panel <= 3)
        StateIcon(Panel + 1).paint(Painter, Rect.left() + 1, Rect.top() + 1, 16, 16);
}

// Commands ---------------------------------------------------------------------------------------------

void TFrmMain::bOpenClick() {
    OpenFromDialog();
}

bool TFrmMain::OpenFromDialog() {
    if (Running())
        return true;
    TOpenRequest Request{OpenDialogInitialDir, OpenDialogFileName, QtNameFilters(OpenDialogFilter), "sfv"};
    const QStringList Names = Dialogs().OpenFileNames(this, Request);
    if (Names.isEmpty())
        return true;
    TheSession.ChecksumFiles.clear();
    for (const QString& Name : Names)
        TheSession.ChecksumFiles.push_back(PathBytes(Name));
    OpenDialogFileName = Names.first();
    OpenDialogInitialDir = PathText(std::string(ExtractFilePath(TheSession.ChecksumFiles.front())));
    // A file picked for the list beside it is checked at once, as a dropped file is.
    const bool Sidecars = TakeSidecars();
    if (!OpenChecksumFiles())
        return false;
    if (Sidecars)
        StartCheck();
    return true;
}

void TFrmMain::VerifyFileClick() {
    if (Running() || Busy || CreationMode())
        return;
    TOpenRequest Request{OpenDialogInitialDir, {}, {QStringLiteral("All files (*)")}, {}};
    const QStringList Names = Dialogs().OpenFileNames(this, Request);
    if (Names.isEmpty())
        return;
    QString Hash;
    if (!InputQueryEx("Verify File", "Paste the hash of " + QFileInfo(Names.first()).fileName() + ":", false, false,
                      false, Hash))
        return;
    Model->SetRows({}); // the rows point at the records that go now
    const std::string Error = TheSession.OpenHash(PathBytes(Names.first()), Hash.toStdString());
    RefillList();
    sBar->update();
    if (!Error.empty()) {
        ShowGeneralError(PathText(Error));
        return;
    }
    OpenDialogInitialDir = PathText(std::string(ExtractFilePath(PathBytes(Names.first()))));
    bCheck->setEnabled(true);
    setWindowTitle(PathText(TheSession.Caption()).replace("[*]", "[*][*]"));
    StartCheck();
}

void TFrmMain::bCheckClick() {
    if (Running() || Busy)
        return;
    if (CreationMode()) {
        CreateFromDialog();
        return;
    }
    // A cancelled dialog still leads to a check (of whatever is loaded); a list that failed to open does not.
    if (TheSession.ChecksumFiles.empty() && !OpenFromDialog())
        return;
    StartCheck();
}

void TFrmMain::bCancelClick() {
    CrcAbort = true;
}

void TFrmMain::bOptionsClick() {
    TFrmFA Options(*this, this);
    CenterForm(this, &Options);
    Dialogs().Exec(Options);
}

void TFrmMain::ApplyOptions(int NewSizeType, int ToolbarPosition, bool ShowProgress) {
    ApplyToolbarPosition(ToolbarPosition);
    Panel2->setVisible(ShowProgress);
    PTShellList1->viewport()->update();
    if (NewSizeType < 0 || NewSizeType > 2)
        return;
    SizeType = static_cast<std::uint8_t>(NewSizeType);
    // Each row's size text anew, the rows themselves (and their selection) as they are.
    const LocaleFormat Format = Locale();
    const auto& Rows = Model->Rows();
    for (std::size_t Row = 0; Row < Rows.size(); ++Row)
        if (Rows[Row].Record)
            Model->SetSizeText(static_cast<int>(Row), ItemSizeText(Rows[Row].Record->Size, SizeType, Format));
    FitSizeColumn(nullptr);
}

void TFrmMain::ToolButton3Click() {
    // A new About box for every opening, gone once it is closed.
    TFrmAbout FrmAbout(this);
    FrmAbout.Label1->setText(AppTitle);
    FrmAbout.Label2->setText(AppTitle);
    CenterForm(this, &FrmAbout);
    Dialogs().Exec(FrmAbout);
}

void TFrmMain::Image2Click() {
    OpenDonationUrl();
}

void TFrmMain::mnuDisplayClick(QAction* Item) {
    DisplayFilter = Item->data().toInt();
    Item->setChecked(true);
    RefillList();
}

void TFrmMain::DragFilesTrg1Drop(TDragFilesTrg* Sender) {
    if (Sender->Files().isEmpty() || Running())
        return;
    const QString First = Sender->Files().first();
    if (!Dialogs().Question(this, "Quorvane", "Process File?\n" + First, TDialogSeam::TButtons::YesNo))
        return;
    OpenDialogFileName = First;
    TheSession.ChecksumFiles.assign(1, PathBytes(First));
    TakeSidecars();
    if (OpenChecksumFiles())
        StartCheck();
}

void TFrmMain::DeleteSelectedFiles() {
    const std::vector<std::int32_t> Selected = SelectedRows();
    if (Selected.empty() || Busy || Running())
        return;
    if (!Dialogs().Question(this, "Quorvane", "Delete Selected File(s)?", TDialogSeam::TButtons::OkCancel))
        return;
    for (std::int32_t Row : Selected) {
        const TItemRec* Rec = Model->Rows()[static_cast<std::size_t>(Row)].Record;
        if (!Rec)
            continue;
        // unlink, not remove: a list entry that names a folder is never deleted.
        if (::unlink(Rec->FileNameC()) != 0)
            Dialogs().Error(nullptr, "Quorvane", "Error file not found: " + PathText(std::string(Rec->FileName())));
    }
}

// Window events --------------------------------------------------------------------------------------

bool TFrmMain::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == Panel2 && Event->type() == QEvent::Resize)
        Panel2Resize();
    if (Watched == lv && Event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Delete) {
        DeleteSelectedFiles();
        return true;
    }
    return QWidget::eventFilter(Watched, Event);
}

void TFrmMain::closeEvent(QCloseEvent* Event) {
    // FormClose: a running check stops after its current chunk and skips its end-of-run work.
    AppClosing = true;
    CrcAbort = true;
    QWidget::closeEvent(Event);
}

void TFrmMain::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
        SavedWidth = width();
        SavedHeight = height();
        SavedLeft = x();
        SavedTop = y();
    }
}

void TFrmMain::moveEvent(QMoveEvent* Event) {
    QWidget::moveEvent(Event);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        SavedLeft = x();
        SavedTop = y();
    }
}

// The run's view ---------------------------------------------------------------------------------------

void TFrmMain::WakeUiThread(std::function<void()> Serve, bool Urgent) {
    {
        std::lock_guard Guard(WakeLock);
        PendingServe = std::move(Serve);
    }
    // The worker waits for a start or end step: serve it without pacing.
    if (Urgent)
        QMetaObject::invokeMethod(this, &TFrmMain::ServeRunNow, Qt::QueuedConnection);
    // One queued call at a time: however often the worker wakes us, the event queue holds one request.
    else if (!WakePosted.exchange(true))
        QMetaObject::invokeMethod(this, &TFrmMain::ServeRun, Qt::QueuedConnection);
}

void TFrmMain::ServeRun() {
    // At most one batch of display changes per frame: the worker's changes pile up in its mailbox
    // meanwhile, so thousands of small files cost a few dozen repaints, not thousands.
    constexpr qint64 FrameMs = 4;
    if (LastServe.isValid() && LastServe.elapsed() < FrameMs) {
        QTimer::singleShot(static_cast<int>(FrameMs - LastServe.elapsed()), this, &TFrmMain::ServeRun);
        return;
    }
    ServeRunNow();
}

void TFrmMain::ServeRunNow() {
    LastServe.start();
    WakePosted = false;
    std::function<void()> Serve;
    {
        std::lock_guard Guard(WakeLock);
        Serve = PendingServe;
    }
    if (Serve)
        Serve();
    if (PendingScroll >= 0 && PendingScroll < Model->rowCount())
        lv->scrollTo(Model->index(PendingScroll, 0));
    PendingScroll = -1;
}

std::size_t TFrmMain::RowCount() const {
    return Model->Rows().size();
}

TItemRec* TFrmMain::RowRecord(std::int32_t Row) const {
    return Model->Rows()[static_cast<std::size_t>(Row)].Record;
}

std::vector<std::int32_t> TFrmMain::SelectedRows() const {
    std::vector<std::int32_t> Out;
    for (const QModelIndex& I : lv->selectionModel()->selectedRows())
        Out.push_back(I.row());
    std::sort(Out.begin(), Out.end());
    return Out;
}

void TFrmMain::SetCommandsEnabled(bool Enabled) {
    for (QAction* A : {bOpen, bCheck, bCreate, bDisplay})
        A->setEnabled(Enabled);
    DragFilesTrg1->SetEnabled(Enabled);
}

void TFrmMain::SetProgressBars(std::int32_t FilePos, std::int32_t TotalPos) {
    FileProgressBar->setValue(std::clamp(FilePos, 0, 100));
    TotalProgressBar->setValue(std::clamp(TotalPos, 0, 100));
}

void TFrmMain::ShowProgress(const TProgressFigures& Figures) {
    if (Figures.Serial == ShownSerial || Panel2->isHidden())
        return;
    ShownSerial = Figures.Serial;
    SetProgressBars(Figures.FileBar, Figures.TotalBar);
    if (!Figures.RateText.empty())
        Label1->setText(QString::fromStdString(Figures.RateText));
    if (!Figures.TimeText.empty())
        Label7->setText(QString::fromStdString(Figures.TimeText));
}

void TFrmMain::SetCompletionText(const std::string& Text) {
    Label7->setText(QString::fromStdString(Text));
}

void TFrmMain::RowImageChanged(std::int32_t Row, std::int32_t Image) {
    Model->SetRowImage(Row, Image);
}

void TFrmMain::RowSizeChanged(std::int32_t Row, std::int64_t Size) {
    const std::string Text = ItemSizeText(Size, SizeType, Locale());
    Model->SetSizeText(Row, Text);
    FitSizeColumn(&Text);
}

void TFrmMain::ScrollIntoView(std::int32_t Row) {
    PendingScroll = Row;
}

void TFrmMain::RepaintStatusBar() {
    sBar->update();
}

void TFrmMain::RunFailed(const std::string& Text) {
    // Shown once the run's end step is over: the worker is not kept waiting by the message box.
    const QString Message = PathText(Text);
    QMetaObject::invokeMethod(
        this, [Message] { ShowGeneralError(Message); }, Qt::QueuedConnection);
}

void TFrmMain::RunEnded() {
    // Not from inside the run's own Serve: the run object goes once the event loop is back.
    QTimer::singleShot(0, this, [this] { TheSession.ReleaseFinishedRun(); });
}

} // namespace quorvane
