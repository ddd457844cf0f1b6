// The converter window's controls, view operations and events.
#include "window/qt/frm_fle_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>

#include "window/converter/frm_fle_layout.h"
#include "window/qt/controls.h"
#include "window/qt/fonts.h"
#include "window/qt/image1_picture.h"

namespace velbrix {
namespace {

QColor ToColor(const layout::Rgb& rgb) {
  return QColor(rgb.red, rgb.green, rgb.blue);
}

QRect PixelRect(const QWidget* widget, const layout::TwipsRect& r) {
  // Both edges are mapped, so that neighbouring controls keep their gaps at any dpi.
  const int dpi_x = widget->logicalDpiX();
  const int dpi_y = widget->logicalDpiY();
  const int left = layout::TwipsToPixels(r.left, dpi_x);
  const int top = layout::TwipsToPixels(r.top, dpi_y);
  return QRect(left, top, layout::TwipsToPixels(r.left + r.width, dpi_x) - left,
               layout::TwipsToPixels(r.top + r.height, dpi_y) - top);
}

// Places `widget` and gives it its font and colours; `text_roles` are the palette roles that draw
// its text.
void Dress(QWidget* widget, const char* name, const layout::Control& control,
           std::initializer_list<QPalette::ColorRole> text_roles = {QPalette::WindowText}) {
  widget->setObjectName(QString::fromUtf8(name));
  widget->setGeometry(PixelRect(widget, control.rect));
  if (control.font) {
    widget->setFont(MakeFont(*control.font));
  }
  if (!control.text_colour && !control.back_colour) {
    return;  // the standard colours
  }
  QPalette palette = widget->palette();
  if (control.text_colour) {
    for (QPalette::ColorRole role : text_roles) {
      palette.setColor(role, ToColor(*control.text_colour));
    }
  }
  if (control.back_colour) {
    palette.setColor(QPalette::Window, ToColor(*control.back_colour));
    widget->setAutoFillBackground(true);
  }
  widget->setPalette(palette);
}

// How the labels align their text.
constexpr Qt::Alignment kLblFileFlags = Qt::AlignHCenter | Qt::AlignTop;
// The smallest font in which a notice in LblFile is shown.
constexpr double kSmallestNoticePoints = 6;

QLabel* MakeLabel(QWidget* parent, const char* name, const layout::Control& control,
                  const char* text) {
  auto* label = new QLabel(parent);
  Dress(label, name, control);
  label->setTextFormat(Qt::PlainText);  // file names are shown as they are, never as markup
  label->setAlignment(kLblFileFlags);
  label->setWordWrap(true);
  label->setFocusPolicy(Qt::NoFocus);
  label->setText(QString::fromUtf8(text));
  return label;
}

}  // namespace

FrmFleWindow::FrmFleWindow(Desktop& desktop, QWidget* parent)
    : QMainWindow(parent), desktop_(desktop), form_(*this, desktop, runner_) {
  setWindowTitle(QString::fromUtf8(layout::kCaption));
  setWindowIcon(QIcon(QStringLiteral(":/velbrix.ico")));
  CreateMenu();
  CreateClientArea();
  CreateLabels();
  CreateFrame();
  SetTabOrder();
  ConnectEvents();
  form_.Form_Load();
}

FrmFleWindow::~FrmFleWindow() {
  form_.Form_Unload();  // the run's work has ended before the controller, which it uses, goes
}

void FrmFleWindow::CreateMenu() {
  menuBar()->setNativeMenuBar(false);  // the menu bar belongs to the window, above its client area
  mnufile_ = menuBar()->addMenu(QString::fromUtf8(layout::kMnuFileCaption));
  mnufile_->setObjectName(QStringLiteral("mnufile"));
  mnuopen_ = mnufile_->addAction(QString::fromUtf8(layout::kMnuOpenCaption));
  mnuopen_->setObjectName(QStringLiteral("mnuopen"));
  mnufile_->addSeparator();
  mnuexport_ = mnufile_->addAction(QString::fromUtf8(layout::kMnuExportCaption));
  mnuexport_->setObjectName(QStringLiteral("mnuexport"));
  mnutraces_ = mnufile_->addAction(QString::fromUtf8(layout::kMnuTracesCaption));
  mnutraces_->setObjectName(QStringLiteral("mnutraces"));
  mnufolder_ = mnufile_->addAction(QString::fromUtf8(layout::kMnuFolderCaption));
  mnufolder_->setObjectName(QStringLiteral("mnufolder"));
}

void FrmFleWindow::CreateClientArea() {
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("FrmFle"));
  setCentralWidget(client_);
  client_->setFixedSize(layout::TwipsToPixels(layout::kClientWidth, logicalDpiX()),
                        layout::TwipsToPixels(layout::kClientHeight, logicalDpiY()));
  layout()->setSizeConstraint(QLayout::SetFixedSize);  // the window cannot be resized
}

void FrmFleWindow::CreateLabels() {
  // Drawn on the window's surface, beneath the frame.
  LblFile_ = MakeLabel(client_, "LblFile", layout::kLblFile, kIdleFileText);
  Image1_ = new Image1Picture(client_);
  Dress(Image1_, "Image1", layout::kImage1);
  Label1_ = MakeLabel(client_, "Label1", layout::kLabel1, kTitleText);
  Label15_ = MakeLabel(client_, "Label15", layout::kLabel15, layout::kMakerNotice);
  Progress_ = new QProgressBar(client_);
  Dress(Progress_, "Progress", layout::kProgress);
  Progress_->setRange(0, 100);
  Progress_->setTextVisible(false);
  Progress_->setFocusPolicy(Qt::NoFocus);
  Progress_->hide();
}

void FrmFleWindow::CreateFrame() {
  FraCh_ = new Frame(QString::fromUtf8(layout::kFraChCaption), client_);
  Dress(FraCh_, "FraCh", layout::kFraCh);
  FraCh_->setAutoFillBackground(true);  // covers Label1 while shown
  FraCh_->raise();

  // Being in the same frame, the two option buttons form one group.
  struct Option {
    const char* name;
    const char* caption;
    const layout::Control& look;
  };
  const Option options[] = {{"optch_0", layout::kOptch0Caption, layout::kOptch0},
                            {"optch_1", layout::kOptch1Caption, layout::kOptch1}};
  for (std::size_t i = 0; i < optch_.size(); ++i) {
    optch_[i] = new OptionButton(QString::fromUtf8(options[i].caption), FraCh_);
    Dress(optch_[i], options[i].name, options[i].look,
          {QPalette::WindowText, QPalette::ButtonText});
  }

  LstCh_ = new ChannelList(FraCh_);
  Dress(LstCh_, "LstCh", layout::kLstCh);
  LstCh_->setSelectionMode(QAbstractItemView::SingleSelection);
  LstCh_->setSortingEnabled(false);
  LstCh_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  LstCh_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  CmdOk_ = new QPushButton(QString::fromUtf8(layout::kCmdOkCaption), FraCh_);
  CmdCancel_ = new QPushButton(QString::fromUtf8(layout::kCmdCancelCaption), FraCh_);
  Dress(CmdOk_, "CmdOk", layout::kCmdOk);
  Dress(CmdCancel_, "CmdCancel", layout::kCmdCancel);
  for (QPushButton* button : {CmdOk_, CmdCancel_}) {
    button->setAutoDefault(false);  // neither Enter nor Escape presses a button
    button->setDefault(false);
  }

  FraCh_->hide();
}

void FrmFleWindow::SetTabOrder() {
  setTabOrder(optch_[0], optch_[1]);
  setTabOrder(optch_[1], LstCh_);
  setTabOrder(LstCh_, CmdOk_);
  setTabOrder(CmdOk_, CmdCancel_);
}

void FrmFleWindow::ConnectEvents() {
  // Only signals that user actions raise: triggered and clicked, and the list's selection, which
  // SelectLstCh changes with the list's signals blocked.
  connect(mnuopen_, &QAction::triggered, this, [this] { form_.mnuopen_Click(); });
  connect(mnuexport_, &QAction::triggered, this, [this] { form_.mnuexport_Click(); });
  connect(mnutraces_, &QAction::triggered, this, [this] { form_.mnutraces_Click(); });
  connect(mnufolder_, &QAction::triggered, this, [this] { form_.mnufolder_Click(); });
  for (std::int16_t i = 0; i < 2; ++i) {
    connect(optch_[static_cast<std::size_t>(i)], &QRadioButton::clicked, this,
            [this, i] { form_.optch_Click(i); });
  }
  connect(LstCh_, &QListWidget::itemSelectionChanged, this, [this] { form_.LstCh_Click(); });
  connect(CmdOk_, &QPushButton::clicked, this, [this] { form_.CmdOk_Click(); });
  connect(CmdCancel_, &QPushButton::clicked, this, [this] { form_.CmdCancel_Click(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { form_.Form_Escape(); });
}

void FrmFleWindow::closeEvent(QCloseEvent* event) {
  // Closing this window ends the program: the trace window's unsaved events are asked about first,
  // and kept (Cancel, or a save that failed) they keep both windows open.
  if (trace_window_ != nullptr && trace_window_->isVisible()) {
    trace_window_->close();
    if (trace_window_->controller().events().unsaved()) {
      event->ignore();
      return;
    }
  }
  if (form_.Form_QueryUnload()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void FrmFleWindow::SetLblFileCaption(const std::string& text) {
  LblFile_->setGeometry(PixelRect(LblFile_, layout::kLblFile.rect));
  LblFile_->setFont(MakeFont(*layout::kLblFile.font));
  LblFile_->setText(QString::fromStdString(text));
}

void FrmFleWindow::SetLblFileNotice(const std::string& text) {
  const QString shown = QString::fromStdString(text);
  layout::TwipsRect room = layout::kLblFile.rect;
  room.height = layout::kLabel1.rect.top - room.top;
  LblFile_->setGeometry(PixelRect(LblFile_, room));
  // The label's font, or the largest smaller one in half points in which the text fits.
  QFont font = MakeFont(*layout::kLblFile.font);
  const QRect bounds(0, 0, LblFile_->width(), LblFile_->height());
  for (double points = font.pointSizeF(); points > kSmallestNoticePoints; points -= 0.5) {
    font.setPointSizeF(points);
    if (bounds.contains(
            QFontMetrics(font).boundingRect(bounds, kLblFileFlags | Qt::TextWordWrap, shown))) {
      break;
    }
  }
  LblFile_->setFont(font);
  LblFile_->setText(shown);
}

void FrmFleWindow::SetLabel1Caption(const std::string& text) {
  Label1_->setText(QString::fromStdString(text));
  // Paint the client area now, with the frame's hiding and the new text: the converting state
  // shows before the run begins.
  client_->repaint();
}

void FrmFleWindow::ShowFraCh(bool visible) {
  FraCh_->setVisible(visible);
}

void FrmFleWindow::EnableMnuFile(bool enabled) {
  mnufile_->menuAction()->setEnabled(enabled);
  menuBar()->repaint();
}

void FrmFleWindow::EnableMenuItem(MenuItem item, bool enabled) {
  switch (item) {
    case MenuItem::kExport:
      mnuexport_->setEnabled(enabled);
      break;
    case MenuItem::kViewTraces:
      mnutraces_->setEnabled(enabled);
      break;
    case MenuItem::kOpenOutputFolder:
      mnufolder_->setEnabled(enabled);
      break;
  }
}

void FrmFleWindow::EnableLstCh(bool enabled) {
  LstCh_->setEnabled(enabled);
}

void FrmFleWindow::AppendLstCh(const std::string& entry) {
  LstCh_->addItem(QString::fromStdString(entry));
}

void FrmFleWindow::SelectLstCh(int index) {
  const QSignalBlocker blocker(LstCh_);
  LstCh_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

std::string FrmFleWindow::LstChText() const {
  const QList<QListWidgetItem*> selected = LstCh_->selectedItems();
  return selected.isEmpty() ? std::string() : selected.front()->text().toStdString();
}

void FrmFleWindow::SelectOptch(int index) {
  const QSignalBlocker block0(optch_[0]);
  const QSignalBlocker block1(optch_[1]);
  optch_[index == 0 ? 0 : 1]->setChecked(true);  // clears the other one
}

void FrmFleWindow::ShowProgress(bool visible) {
  Progress_->setVisible(visible);
}

void FrmFleWindow::SetProgress(int percent) {
  Progress_->setValue(percent);
}

void FrmFleWindow::CloseWindow() {
  close();
}

bool FrmFleWindow::IsTraceWindowOpen() const {
  return trace_window_ != nullptr && trace_window_->isVisible();
}

void FrmFleWindow::ShowTraceWindow(const TraceSubject& subject, TraceShow how) {
  if (how != TraceShow::kOpen) {
    trace_window_->ShowSubject(subject, how == TraceShow::kReread);
    return;
  }
  if (trace_window_ == nullptr) {
    // A window of its own, not above this one: both stay usable side by side.
    trace_window_ = std::make_unique<TraceWindow>(desktop_.DecimalSeparator());
  }
  trace_window_->show();
  trace_window_->ShowSubject(subject, true);
  trace_window_->raise();
  trace_window_->activateWindow();
}

void FrmFleWindow::BringToTop() {
  raise();
}

}  // namespace velbrix
