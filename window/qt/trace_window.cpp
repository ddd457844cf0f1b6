// The trace window's parts, view operations and events.
#include "window/qt/trace_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "window/events/trace_events_subject.h"
#include "window/qt/controls.h"
#include "window/qt/detect_events_dialog.h"
#include "window/qt/import_events_dialog.h"
#include "window/qt/montage_editor_dialog.h"
#include "window/qt/spectrum_window.h"
#include "window/qt/trace_canvas.h"
#include "window/qt/trace_events_list.h"
#include "window/trace/trace_window_layout.h"

namespace velbrix {
namespace {

// Fills `choice`, which from then on is never narrower than its longest entry: the window is
// widened instead (its layout's minimum).
void FillChoice(QComboBox* choice, const std::vector<std::string>& entries, int selected) {
  const QSignalBlocker blocker(choice);
  choice->clear();
  for (const std::string& entry : entries) {
    choice->addItem(QString::fromStdString(entry));
  }
  choice->setCurrentIndex(selected);
  choice->setMinimumWidth(choice->sizeHint().width());
}

// A choice of the row that knows whether the entry just chosen was chosen in its open list, by
// the mouse or by the keys; after that the keys go back to the traces. An arrow key on the closed
// box chooses too, and there the focus stays, for the next arrow.
class RowChoice final : public QComboBox {
 public:
  using QComboBox::QComboBox;
  void hidePopup() override {
    // The list closes before its choice is told (QComboBox::activated), at once.
    chosen_in_list_ = true;
    QComboBox::hidePopup();
    QTimer::singleShot(0, this, [this] { chosen_in_list_ = false; });
  }
  bool chosen_in_list() const { return chosen_in_list_; }

 private:
  bool chosen_in_list_ = false;
};

// Gives the traces the focus after a choice in `choice`'s open list.
void AfterChoice(QComboBox* choice, QWidget* canvas) {
  if (static_cast<RowChoice*>(choice)->chosen_in_list()) {
    canvas->setFocus();
  }
}

}  // namespace

TraceWindow::TraceWindow(const std::string& decimal_separator, QWidget* parent)
    : QWidget(parent, Qt::Window), controller_(*this, decimal_separator) {
  setAttribute(Qt::WA_QuitOnClose, false);  // the converter window's closing ends the program
  setWindowIcon(QIcon(QStringLiteral(":/velbrix.ico")));
  CreateParts();
  CreateMenus();
  ConnectEvents();
  canvas_->setFocus();  // the keys page through the recording from the start
  resize(trace::kStartWidth, trace::kStartHeight);
}

TraceWindow::~TraceWindow() {
  // QWidget's destructor hides the window, and a part losing the focus would then call the
  // controller, which is gone by then: the parts are silenced, the canvas deleted first.
  for (QWidget* part : row_) {
    part->blockSignals(true);
  }
  scroll_bar_->blockSignals(true);
  delete spectrum_;
  delete canvas_;
  ticks_.stop();
}

void TraceWindow::CreateParts() {
  auto* controls = new QHBoxLayout;
  for (const trace::RowField& entry : trace::kRowFields) {
    if (&entry != &trace::kRowFields[0]) {
      controls->addSpacing(20);
    }
    auto* label = new QLabel(tr(entry.label), this);
    controls->addWidget(label);
    QWidget* field = nullptr;
    switch (entry.field) {
      case trace::TraceField::kSampleRate:
        field = sample_rate_ = new QLineEdit(this);
        sample_rate_->setMaximumWidth(80);
        break;
      case trace::TraceField::kPageLength:
        field = page_length_ = new RowChoice(this);
        break;
      case trace::TraceField::kAmplitude:
        field = amplitude_ = new RowChoice(this);
        break;
      case trace::TraceField::kHighPass:
      case trace::TraceField::kLowPass:
      case trace::TraceField::kNotch:
      case trace::TraceField::kMontage:
        field = tools_[static_cast<std::size_t>(*trace::ToolOf(entry.field))] = new RowChoice(this);
        break;
    }
    label->setBuddy(field);  // the label's access key takes the field
    if (auto* choice = qobject_cast<QComboBox*>(field)) {
      choice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    }
    field->setObjectName(QString::fromUtf8(entry.name));
    controls->addWidget(field);
    row_.push_back(field);
    if (*entry.unit != '\0') {
      controls->addWidget(new QLabel(QString::fromUtf8(entry.unit), this));
    }
  }
  controls->addStretch(1);

  canvas_ = new TraceCanvas(controller_, this);
  scroll_bar_ = new QScrollBar(Qt::Horizontal, this);
  scroll_bar_->setObjectName(QStringLiteral("ScrollBar"));
  status_ = NewStatusLine(this, QStringLiteral("Status"));

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(4);
  column->addLayout(controls);
  column->addWidget(canvas_, 1);
  column->addWidget(scroll_bar_);
  column->addWidget(status_);
  QWidget* previous = canvas_;
  for (QWidget* field : row_) {
    setTabOrder(previous, field);
    previous = field;
  }
}

void TraceWindow::CreateMenus() {
  auto* bar = new QMenuBar(this);
  QMenu* file = bar->addMenu(tr(trace::kFileMenuText));
  QAction* save = file->addAction(tr(trace::kSavePictureText));
  save->setObjectName(QStringLiteral("SavePicture"));
  connect(save, &QAction::triggered, this, [this] { AskAndSavePicture(); });
  QMenu* view = bar->addMenu(tr(trace::kViewMenuText));
  QAction* spectrum = view->addAction(tr(trace::kSpectrumText));
  spectrum->setObjectName(QStringLiteral("Spectrum"));
  connect(spectrum, &QAction::triggered, this, [this] { OpenSpectrum(); });
  QAction* montages = view->addAction(tr(trace::kMontageEditorText));
  montages->setObjectName(QStringLiteral("MontageEditor"));
  connect(montages, &QAction::triggered, this, [this] { controller_.OnEditMontage(); });
  CreateEventsMenu(bar);
  layout()->setMenuBar(bar);
}

void TraceWindow::CreateEventsMenu(QMenuBar* bar) {
  QMenu* menu = bar->addMenu(tr(trace::kEventsMenuText));
  const auto add = [&](const char* name, const char* text, QList<QKeySequence> keys, auto action) {
    QAction* item = menu->addAction(tr(text));
    item->setObjectName(QString::fromUtf8(name));
    item->setShortcuts(keys);
    connect(item, &QAction::triggered, this, action);
  };
  add("AddEvent", trace::kAddEventText, {QKeySequence(Qt::Key_M), QKeySequence(Qt::Key_Insert)},
      [this] { controller_.OnAddEvent(); });
  add("AddSpanEvent", trace::kAddSpanEventText, {QKeySequence(Qt::SHIFT | Qt::Key_M)},
      [this] { controller_.OnAddSpanEvent(); });
  add("NextEvent", trace::kNextEventText, {QKeySequence(Qt::Key_BracketRight)},
      [this] { controller_.OnNextEvent(); });
  add("PreviousEvent", trace::kPreviousEventText, {QKeySequence(Qt::Key_BracketLeft)},
      [this] { controller_.OnPreviousEvent(); });
  add("EventsListAction", trace::kEventsListText, {QKeySequence(Qt::CTRL | Qt::Key_L)},
      [this] { OpenEventsList(); });
  menu->addSeparator();
  add("SaveEvents", trace::kSaveEventsText, {QKeySequence(Qt::CTRL | Qt::Key_S)},
      [this] { controller_.OnSaveEvents(); });
  add("SaveEventsAs", trace::kSaveEventsAsText, {}, [this] { AskAndSaveEventsAs(); });
  menu->addSeparator();
  add("ImportEvents", trace::kImportEventsText, {}, [this] { controller_.OnImportEvents(); });
  add("DetectEvents", trace::kDetectEventsText, {}, [this] { controller_.OnDetectEvents(); });
}

void TraceWindow::OpenEventsList() {
  if (events_list_ == nullptr) {
    events_list_ = new TraceEventsList(controller_, this);
    events_list_->SetRows(event_rows_, event_selected_);
  }
  events_list_->show();
  events_list_->raise();
  events_list_->activateWindow();
  events_list_->table()->setFocus();
}

void TraceWindow::AskAndSaveEventsAs() {
  const QString name =
      QFileDialog::getSaveFileName(this, tr("Save Events As"), QString(), tr(trace::kEventsFilter));
  if (!name.isEmpty()) {
    controller_.OnSaveEventsAs(name.toStdU16String());
  }
}

void TraceWindow::OpenSpectrum() {
  if (spectrum_ == nullptr) {
    spectrum_ = new SpectrumWindow(controller_, this);
  }
  spectrum_->Open();
}

void TraceWindow::AskAndSavePicture() {
  const QString name =
      QFileDialog::getSaveFileName(this, tr("Save Picture"), QString(), tr(trace::kPictureFilter));
  if (!name.isEmpty()) {
    SavePictureAs(name.toStdU16String());
  }
}

void TraceWindow::SavePictureAs(const std::filesystem::path& path) {
  QImage image(canvas_->size(), QImage::Format_RGB888);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    canvas_->Paint(painter, controller_.picture());
  }
  RgbImage rgb{image.width(), image.height(), {}};
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    rgb.pixels.insert(rgb.pixels.end(), row, row + 3 * image.width());
  }
  controller_.OnPictureRendered(path, rgb);
}

void TraceWindow::ConnectEvents() {
  // Only signals that user actions raise; the view operations block them.
  connect(sample_rate_, &QLineEdit::editingFinished, this,
          [this] { controller_.OnSampleRateEntered(sample_rate_->text().toStdString()); });
  connect(page_length_, &QComboBox::activated, this, [this](int index) {
    controller_.OnPageChosen(index);
    AfterChoice(page_length_, canvas_);
  });
  connect(amplitude_, &QComboBox::activated, this, [this](int index) {
    controller_.OnAmplitudeChosen(index);
    AfterChoice(amplitude_, canvas_);
  });
  for (const trace::RowField& entry : trace::kRowFields) {
    if (const std::optional<TraceTool> tool = trace::ToolOf(entry.field)) {
      connect(tools_[static_cast<std::size_t>(*tool)], &QComboBox::activated, this,
              [this, which = *tool](int index) {
                controller_.OnToolChosen(which, index);
                AfterChoice(tools_[static_cast<std::size_t>(which)], canvas_);
              });
    }
  }
  connect(scroll_bar_, &QScrollBar::valueChanged, this,
          [this](int position) { controller_.OnScrollTo(position); });
  connect(&ticks_, &QTimer::timeout, this, [this] { controller_.OnTick(); });
}

void TraceWindow::ShowSubject(const TraceSubject& subject, bool reread) {
  controller_.Show(subject, reread);
}

void TraceWindow::SetCaption(const std::string& text) {
  setWindowTitle(QString::fromStdString(text));
}

void TraceWindow::SetSampleRateText(const std::string& text) {
  const QSignalBlocker blocker(sample_rate_);
  sample_rate_->setText(QString::fromStdString(text));
}

void TraceWindow::SetPageChoices(const std::vector<std::string>& entries, int selected) {
  FillChoice(page_length_, entries, selected);
}

void TraceWindow::SetAmplitudeChoices(const std::vector<std::string>& entries, int selected) {
  FillChoice(amplitude_, entries, selected);
}

void TraceWindow::SetScrollBar(int maximum, int page, int position) {
  const QSignalBlocker blocker(scroll_bar_);
  scroll_bar_->setRange(0, maximum);
  scroll_bar_->setPageStep(page);
  scroll_bar_->setSingleStep(1);
  scroll_bar_->setValue(position);
}

void TraceWindow::ShowPicture(const trace::TracePicture& picture) {
  canvas_->SetPicture(&picture);
}

void TraceWindow::SetStatusText(const std::string& text) {
  status_->setText(QString::fromStdString(text));
}

void TraceWindow::SetTicking(bool on) {
  if (on && !ticks_.isActive()) {
    ticks_.start(trace::kTickMs);
  } else if (!on) {
    ticks_.stop();
  }
}

void TraceWindow::SetToolChoices(TraceTool tool, const std::vector<std::string>& entries,
                                 int selected) {
  FillChoice(tools_[static_cast<std::size_t>(tool)], entries, selected);
}

void TraceWindow::SetEventRows(const std::vector<EventRow>& rows, int selected) {
  event_rows_ = rows;
  event_selected_ = selected;
  if (events_list_ != nullptr) {
    events_list_->SetRows(rows, selected);
  }
}

void TraceWindow::AskEventLabel(const std::string& title, const std::string& label,
                                const std::vector<std::string>& offered) {
  QInputDialog dialog(this);
  dialog.setObjectName(QStringLiteral("EventLabel"));
  dialog.setWindowTitle(QString::fromStdString(title));
  dialog.setLabelText(tr(trace::kEventLabelPrompt));
  if (!offered.empty()) {
    QStringList items;
    for (const std::string& entry : offered) {
      items << QString::fromStdString(entry);
    }
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(true);
  }
  dialog.setTextValue(QString::fromStdString(label));
  if (dialog.exec() == QDialog::Accepted) {
    controller_.OnEventLabelEntered(dialog.textValue().toStdString());
  }
}

void TraceWindow::AskUnsavedEvents(const std::string& question) {
  QMessageBox box(QMessageBox::Warning, tr(trace::kUnsavedEventsTitle),
                  QString::fromStdString(question),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("UnsavedEvents"));
  box.setDefaultButton(QMessageBox::Save);
  const int answer = box.exec();
  controller_.OnUnsavedEventsAnswered(answer == QMessageBox::Save      ? UnsavedAnswer::kSave
                                      : answer == QMessageBox::Discard ? UnsavedAnswer::kDiscard
                                                                       : UnsavedAnswer::kCancel);
}

void TraceWindow::OpenImportEvents() {
  ImportEventsDialog dialog(EventsSubjectOf(controller_), this);
  dialog.setObjectName(QStringLiteral("ImportEventsDialog"));
  if (dialog.exec() == QDialog::Accepted && dialog.result()) {
    controller_.AddEvents(*dialog.result());
  }
}

void TraceWindow::OpenMontageEditor() {
  MontageEditorDialog dialog(controller_.montage_editor_subject(), this);
  dialog.setObjectName(QStringLiteral("MontageEditorDialog"));
  if (dialog.exec() == QDialog::Accepted && dialog.saved()) {
    controller_.OnMontageSaved(*dialog.saved());
  }
}

void TraceWindow::OpenDetectEvents() {
  DetectEventsDialog dialog(EventsSubjectOf(controller_), DetectionChannelNames(), this);
  dialog.setObjectName(QStringLiteral("DetectEventsDialog"));
  if (dialog.exec() == QDialog::Accepted && dialog.result()) {
    controller_.AddEvents(*dialog.result());
  }
}

void TraceWindow::CloseWindow() {
  // Asked from within a close that was held back: the close comes once that has returned.
  QTimer::singleShot(0, this, [this] { close(); });
}

void TraceWindow::closeEvent(QCloseEvent* event) {
  if (!controller_.OnCloseAsked()) {
    event->ignore();
    return;
  }
  if (events_list_ != nullptr) {
    events_list_->close();
  }
  if (spectrum_ != nullptr) {
    spectrum_->close();
  }
  controller_.Close();
  event->accept();  // hidden, not deleted
}

}  // namespace velbrix
