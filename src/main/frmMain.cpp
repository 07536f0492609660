#include "main/frmMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "glyphs/ToolbarImages.h"
#include "main/PanelStatusBar.h"
#include "main/PlugWatch.h"
#include "main/SoundFileTypes.h"
#include "main/SoundListView.h"
#include "serial/CPort.h"
#include "toolkit/error_report.h"

namespace {

constexpr int kLeft = 305;
constexpr int kTop = 193;
constexpr int kOuterWidth = 635;
constexpr int kOuterHeight = 270;
constexpr int kToolbarHeight = 37;
constexpr int kStatusBarHeight = 19;
constexpr int kFontPixelSize = 11;

// The open-file dialog's filter as the layout stores it: caption|patterns|caption|patterns.
const char* const kOpenFilter =
    "Audio files (*.wav;*.mp*;)|*.wav;*.mp*;|Data files (*.dat)|*.dat";

// Qt reads a filter's patterns from the last parenthesised group of its text, split at
// spaces. Each entry becomes "caption (patterns)"; the dialog hides the pattern group, so the
// user sees the stored caption unchanged.
QStringList OpenDialogNameFilters(const QString& Filter) {
  const QStringList Parts = Filter.split(u'|');
  QStringList Result;
  for (int i = 0; i + 1 < Parts.size(); i += 2) {
    QStringList Patterns = Parts[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& P : Patterns) P = P.trimmed();
    Patterns.removeAll(QString());
    Result << Parts[i] + QStringLiteral(" (") + Patterns.join(u' ') + u')';
  }
  return Result;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  CreateLayout();
  BindHandlers();
  FormCreate();
}

// The children are deleted after this body has run; their signals (the list model's, as LV
// goes) must not reach lambdas that use this window as a TForm1 any more.
TForm1::~TForm1() {
  LV->model()->disconnect(this);
  LV->disconnect(this);
  FormDestroy();
}

void TForm1::CreateLayout() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Kestrilo"));
  // Dialogs and menus opened from the window take its font too.
  setAttribute(Qt::WA_WindowPropagation);
  QFont Font = QApplication::font();
  Font.setPixelSize(kFontPixelSize);
  setFont(Font);
  QPalette Face = palette();
  Face.setColor(QPalette::Window, Face.color(QPalette::Button));
  setPalette(Face);
  setAutoFillBackground(true);
  move(kLeft, kTop);
  resize(kOuterWidth, kOuterHeight);

  auto* Client = new QWidget(this);
  auto* Column = new QVBoxLayout(Client);
  Column->setContentsMargins(0, 0, 0, 0);
  Column->setSpacing(0);

  Panel1 = new QWidget(Client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFixedHeight(kToolbarHeight);
  Column->addWidget(Panel1);
  CreateToolbarButtons();

  auto* List = new TSoundListView(Client);
  LV = List;
  LV->setObjectName(QStringLiteral("LV"));
  LV->setColumnCount(7);
  LV->setHeaderLabels(
      {tr("Input"), tr("Filename"), tr("Address (digital)"), tr("State"), QString(), tr("Length"), tr("Options")});
  LV->setColumnWidth(ColLength, 60);
  LV->setColumnWidth(ColOptions, 190);
  LV->headerItem()->setTextAlignment(ColLength, Qt::AlignRight | Qt::AlignVCenter);
  const int Widths[] = {40, 350, 80, 70};
  for (int c = 0; c < 4; ++c) LV->setColumnWidth(c, Widths[c]);
  LV->setColumnHidden(ColStateCode, true);
  LV->setContextMenuPolicy(Qt::CustomContextMenu);
  Column->addWidget(LV, 1);
  setCentralWidget(Client);

  Panels_ = new TPanelStatusBar({100, 150, 50}, this);
  StatusBar1 = Panels_;
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setFixedHeight(kStatusBarHeight);
  setStatusBar(StatusBar1);

  CreateMenus();
  CreateListFileMenus();
  CreateOpenDialog();

  // LV comes first in the tab order; the flat buttons take no focus at all.
  LV->setFocus();
}

// The four flat toolbar buttons, with their captions, places, sizes and images.
void TForm1::CreateToolbarButtons() {
  struct ButtonLayout {
    TmPngSpeedButton** Member;
    const char* Name;
    const char* Caption;
    int Left, Width;
    const char* Image;
  };
  const ButtonLayout Buttons[] = {
      {&btnAdd, "btnAdd", QT_TR_NOOP("Add file(s)"), 1, 104, "add"},
      {&btnRemove, "btnRemove", QT_TR_NOOP("Remove"), 105, 104, "remove"},
      {&btnSearch, "btnSearch", QT_TR_NOOP("Search device"), 225, 136, "search"},
      {&btnUpload, "btnUpload", QT_TR_NOOP("Upload to device"), 361, 136, "upload"},
  };
  for (const ButtonLayout& B : Buttons) {
    auto* Button = new TmPngSpeedButton(Panel1);
    Button->setObjectName(QString::fromLatin1(B.Name));
    Button->SetCaption(tr(B.Caption));
    Button->SetFlat(true);
    Button->setGeometry(B.Left, 0, B.Width, kToolbarHeight);
    const TPngImage Image = ToolbarImage(QString::fromLatin1(B.Image));
    Button->SetPngImage(&Image);
    Button->Loaded();
    *B.Member = Button;
  }
}

void TForm1::CreateMenus() {
  auto Entry = [this](QMenu* Menu, const char* Name, const char* Caption) {
    QAction* A = Menu->addAction(tr(Caption));
    A->setObjectName(QString::fromLatin1(Name));
    return A;
  };
  auto Separator = [](QMenu* Menu, const char* Name) {
    QAction* A = Menu->addSeparator();
    A->setObjectName(QString::fromLatin1(Name));
    return A;
  };
  auto TopMenu = [this](const char* Name, const char* Caption) {
    QMenu* M = menuBar()->addMenu(tr(Caption));
    M->setObjectName(QString::fromLatin1(Name));
    return M;
  };

  File1 = TopMenu("File1", QT_TR_NOOP("File"));
  Addfile1 = Entry(File1, "Addfile1", QT_TR_NOOP("Add file(s)"));
  Deletefile2 = Entry(File1, "Deletefile2", QT_TR_NOOP("Delete selected file(s)"));
  Clearlist1 = Entry(File1, "Clearlist1", QT_TR_NOOP("Clear list"));
  N1 = Separator(File1, "N1");
  Exit1 = Entry(File1, "Exit1", QT_TR_NOOP("Exit"));

  Soundtest1 = TopMenu("Soundtest1", QT_TR_NOOP("Sound test"));
  Sound01 = Entry(Soundtest1, "Sound01", QT_TR_NOOP("Sound 1"));
  Sound21 = Entry(Soundtest1, "Sound21", QT_TR_NOOP("Sound 2"));
  Sound31 = Entry(Soundtest1, "Sound31", QT_TR_NOOP("Sound 3"));
  Sound41 = Entry(Soundtest1, "Sound41", QT_TR_NOOP("Sound 4"));
  Sound01->setData(1);
  Sound21->setData(2);
  Sound31->setData(3);
  Sound41->setData(4);

  Upload1 = TopMenu("Upload1", QT_TR_NOOP("Device"));
  Startuploading1 = Entry(Upload1, "Startuploading1", QT_TR_NOOP("Start uploading"));
  N3 = Separator(Upload1, "N3");
  Searchdevice1 = Entry(Upload1, "Searchdevice1", QT_TR_NOOP("Search device"));
  Cancelupload1 = Entry(Upload1, "Cancelupload1", QT_TR_NOOP("Cancel upload"));
  Cancelupload1->setShortcut(Qt::Key_Escape);
  Cancelupload1->setEnabled(false);

  Help1 = TopMenu("Help1", QT_TR_NOOP("Help"));
  About1 = Entry(Help1, "About1", QT_TR_NOOP("About"));

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  Addfile2 = Entry(PopupMenu1, "Addfile2", QT_TR_NOOP("Add file(s)"));
  Deletefile1 = Entry(PopupMenu1, "Deletefile1", QT_TR_NOOP("Delete file(s)"));
  N2 = Separator(PopupMenu1, "N2");
  Changedigitaladdress1 = Entry(PopupMenu1, "Changedigitaladdress1", QT_TR_NOOP("Change digital address"));
}

void TForm1::CreateOpenDialog() {
  OD = new QFileDialog(this);
  OD->setObjectName(QStringLiteral("OD"));
  // Qt's own dialog: the same on every desktop, and reachable by tests.
  OD->setOption(QFileDialog::DontUseNativeDialog, true);
  OD->setOption(QFileDialog::HideNameFilterDetails, true);
  OD->setFileMode(QFileDialog::ExistingFiles);
  OD->setAcceptMode(QFileDialog::AcceptOpen);
  OD->setNameFilters(OpenDialogNameFilters(QString::fromLatin1(kOpenFilter) + u'|' + ExtraOpenFilter()));
  // Names differ in case on Linux where they did not on the platform the filter was made for.
  OD->setFilter(OD->filter() & ~QDir::CaseSensitive);
  OD->setSizeGripEnabled(true);
}

void TForm1::BindHandlers() {
  auto OnClick = [this](QAbstractButton* Button, void (TForm1::*Handler)(QObject*)) {
    connect(Button, &QAbstractButton::clicked, this,
            [this, Button, Handler] { Guarded([&] { (this->*Handler)(Button); }); });
  };
  auto OnTrigger = [this](QAction* Action, void (TForm1::*Handler)(QObject*)) {
    connect(Action, &QAction::triggered, this,
            [this, Action, Handler] { Guarded([&] { (this->*Handler)(Action); }); });
  };

  OnClick(btnAdd, &TForm1::Addfile1Click);
  OnClick(btnRemove, &TForm1::Deletefile2Click);
  OnClick(btnSearch, &TForm1::Searchdevice1Click);
  OnClick(btnUpload, &TForm1::Startuploading1Click);

  OnTrigger(Addfile1, &TForm1::Addfile1Click);
  OnTrigger(Deletefile2, &TForm1::Deletefile2Click);
  OnTrigger(Clearlist1, &TForm1::Clearlist1Click);
  OnTrigger(Exit1, &TForm1::Exit1Click);
  OnTrigger(Sound01, &TForm1::Sound41Click);
  OnTrigger(Sound21, &TForm1::Sound41Click);
  OnTrigger(Sound31, &TForm1::Sound41Click);
  OnTrigger(Sound41, &TForm1::Sound41Click);
  OnTrigger(Startuploading1, &TForm1::Startuploading1Click);
  OnTrigger(Searchdevice1, &TForm1::Searchdevice1Click);
  OnTrigger(About1, &TForm1::About1Click);
  OnTrigger(Cancelupload1, &TForm1::Cancelupload1Click);

  OnTrigger(Addfile2, &TForm1::Addfile1Click);
  OnTrigger(Deletefile1, &TForm1::Deletefile2Click);
  OnTrigger(Changedigitaladdress1, &TForm1::Changedigitaladdress1Click);
  OnTrigger(Openlist1, &TForm1::Openlist1Click);
  OnTrigger(Savelist1, &TForm1::Savelist1Click);
  OnTrigger(Savelistas1, &TForm1::Savelistas1Click);

  connect(LV, &QWidget::customContextMenuRequested, this, [this](const QPoint& Pos) {
    PopupMenu1->popup(LV->viewport()->mapToGlobal(Pos));
  });

  auto* List = static_cast<TSoundListView*>(LV);
  List->OnDragOver = [this](QObject* Source, const QPoint& Point, bool& Accept) {
    Guarded([&] { LVDragOver(LV, Source, Point, Accept); });
  };
  List->OnDragDrop = [this](QObject* Source, const QPoint& Point) {
    Guarded([&] { LVDragDrop(LV, Source, Point); });
  };
  List->OnKeyDown = [this](int Key, Qt::KeyboardModifiers Shift) {
    Guarded([&] { LVKeyDown(LV, Key, Shift); });
  };
  BindListFileHandlers();
  CreateOptionMenus();
}

void TForm1::FormCreate() {
  ProgressBar = new QProgressBar(StatusBar1);
  ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar->move(1, 3);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);  // smooth bar, no percentage drawn over it
  ProgressBar->resize(Panels_->PanelWidth(0) - 4, StatusBar1->height() - 5);
  ProgressBar->show();

  CreateDeviceLink();
  CreatePlugWatch();
  CreateAllDevicesMenu();
}

void TForm1::FormDestroy() {
  delete PlugWatch;  // no port news for a window being taken apart
  PlugWatch = nullptr;
  FreePortList();
  delete ProgressBar;
  ProgressBar = nullptr;
  FreeComPort();
}

QString TForm1::PanelText(int Index) const { return Panels_->PanelText(Index); }

void TForm1::SetPanelText(int Index, const QString& Text) { Panels_->SetPanelText(Index, Text); }

void TForm1::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (!OuterSizeApplied_ && !Event->spontaneous()) {
    OuterSizeApplied_ = true;
    // The frame is known only once the window is on screen; the stored size is the outer one.
    QTimer::singleShot(0, this, [this] { ApplyOuterSize(10); });
  }
}

void TForm1::ApplyOuterSize(int Tries) {
  const QSize Frame = frameGeometry().size() - geometry().size();
  // Some window managers report the frame a little after the window is mapped.
  if (Frame.isEmpty() && Tries > 1) {
    QTimer::singleShot(30, this, [this, Tries] { ApplyOuterSize(Tries - 1); });
    return;
  }
  resize(kOuterWidth - Frame.width(), kOuterHeight - Frame.height());
  move(kLeft, kTop);
}

void TForm1::Exit1Click(QObject*) { close(); }

void TForm1::About1Click(QObject*) {
  const QString Text = tr("Kestrilo\nVersion %1").arg(QStringLiteral(KESTRILO_VERSION));
  // A modal box would hold the upload's own event pump, and with it the stream.
  if (UploadRunning)
    ShowMessageLater(Text);
  else
    ShowPlainMessage(Text);
}
