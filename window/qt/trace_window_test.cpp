// Tests of the trace window on real Qt widgets under a headless platform, opened from the
// converter window's File menu with samples/demo_eeg. Each run saves a screenshot of the trace
// window beside the test (velbrix_traces.png).
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>

#include "core/base/channel_table.h"
#include "core/formats/png_file.h"
#include "core/testing/stored_png.h"
#include "window/qt/fonts.h"
#include "window/qt/frm_fle_window.h"
#include "window/qt/import_events_dialog.h"
#include "window/qt/montage_editor_dialog.h"
#include "window/qt/qt_desktop.h"
#include "window/qt/scripted_desktop.h"
#include "window/qt/spectrum_window.h"
#include "window/qt/trace_canvas.h"
#include "window/qt/trace_events_list.h"
#include "window/qt/trace_window.h"
#include "window/trace/trace_window_layout.h"

namespace velbrix {
namespace {

const std::filesystem::path kDemo = VELBRIX_SAMPLES_DIR "/demo_eeg";

// A move of the mouse to `at` on `widget`, delivered to it directly (a window that has just had a
// choice's keys may not get QTest's moves of the cursor).
void MoveOver(QWidget* widget, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

// Has `answer` deal with the modal dialog named `name` as soon as it shows.
void AnswerModal(const char* name, std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, name, answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->objectName() == QString::fromUtf8(name)) {
      timer->stop();
      timer->deleteLater();
      answer(modal);
    }
  });
  timer->start(10);
}

void AnswerLabel(const QString& label) {
  AnswerModal("EventLabel", [label](QWidget* modal) {
    auto* dialog = qobject_cast<QInputDialog*>(modal);
    dialog->setTextValue(label);
    dialog->accept();
  });
}

void AnswerUnsaved(QMessageBox::StandardButton button) {
  AnswerModal("UnsavedEvents", [button](QWidget* modal) {
    qobject_cast<QMessageBox*>(modal)->button(button)->click();
  });
}

}  // namespace

class TraceWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void ViewTracesOpensAWindowOfThirtyTwoLabelledTraces();
  void StatusLineGivesTheExactValueUnderTheMouse();
  void TheWindowFollowsTheMainWindowAndKeepsTheSampleRate();
  void TheRowOfFieldsFollowsTheSharedTable();
  void AFilterAndAMontageFromTheirBoxesChangeTheTracesAndTheStatus();
  void EveryFieldTakesItsAccessKeyAndABoxKeepsTheFocusForItsArrows();
  void TheBoxesHoldTheirLongestEntriesAtTheFirstSize();
  void ViewSpectrumOpensTheSpectrumOfThePage();
  void SavePictureWritesThePageAsAPngOfTheCanvasSize();
  void TheKeyAddsAnEventAndTheEventsListJumpsRenamesAndDeletes();
  void ClosingWithUnsavedEventsAsksAndCancelKeepsTheWindow();
  void ImportEventsAddsTheTablesEventsAsUnsaved();
  void TheMontageEditorSavesAMontageThatTheBoxThenShows();

 private:
  // Opens `path` through File > Open, then File > View Traces, at a size that shows every record
  // of the demo in a column of its own.
  void OpenTraces(const std::filesystem::path& path);
  TraceWindow* Traces() const { return window_->trace_window(); }
  template <typename T>
  T* Part(const char* name) const {
    T* part = Traces()->findChild<T*>(QString::fromUtf8(name));
    if (part == nullptr) {
      qFatal("no part named %s", name);
    }
    return part;
  }
  // Moves the mouse over record `record` (0-based) of channel `name` on the canvas.
  void PointAt(std::uint64_t record, const char* name);

  // A copy of the demo in a folder of its own, where its events sidecar goes.
  std::filesystem::path DemoCopy() const;

  QTemporaryDir program_dir_;
  QTemporaryDir config_dir_;  // the montage folder's, as XDG_CONFIG_HOME
  testing::ScriptedDesktop desktop_;
  std::unique_ptr<FrmFleWindow> window_;
};

void TraceWindowTest::initTestCase() {
  RegisterFontSubstitutes();
  QVERIFY(program_dir_.isValid());
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_dir_.path()));
}

void TraceWindowTest::init() {
  desktop_ = testing::ScriptedDesktop();
  desktop_.program_folder = PathFromQt(program_dir_.path());
  window_ = std::make_unique<FrmFleWindow>(desktop_);
  window_->show();
}

void TraceWindowTest::cleanup() {
  window_.reset();
}

void TraceWindowTest::OpenTraces(const std::filesystem::path& path) {
  desktop_.answers.push_back(path);
  window_->findChild<QAction*>(QStringLiteral("mnuopen"))->trigger();
  window_->findChild<QAction*>(QStringLiteral("mnutraces"))->trigger();
  QVERIFY(Traces() != nullptr);
  Traces()->resize(1280, 900);
  QVERIFY(QTest::qWaitForWindowExposed(Traces()));
  // The overview is drawn once the worker is through.
  QTRY_VERIFY(!Traces()->controller().picture().steps.empty());
  QTest::qWait(300);
}

void TraceWindowTest::PointAt(std::uint64_t record, const char* name) {
  const trace::Rect area = Traces()->controller().picture().traces;
  const int index = ChannelAtPosition(*FindChannelPosition(name)).list_index;
  const double x = area.left + (static_cast<double>(record) + 0.5) * area.width() /
                                   static_cast<double>(Traces()->controller().page_records());
  const double rows = static_cast<double>(Traces()->controller().page_rows().size());
  const double y = area.top + (index + 0.5) * area.height() / rows;
  QTest::mouseMove(Traces()->canvas(),
                   QPoint(static_cast<int>(std::lround(x)), static_cast<int>(y)));
}

void TraceWindowTest::ViewTracesOpensAWindowOfThirtyTwoLabelledTraces() {
  QVERIFY(!window_->findChild<QAction*>(QStringLiteral("mnutraces"))->isEnabled());
  OpenTraces(kDemo);
  QCOMPARE(Traces()->windowTitle(), QStringLiteral("Velbrix - demo_eeg"));
  QVERIFY(Traces()->isVisible());
  QVERIFY(Traces()->isWindow());
  QCOMPARE(QApplication::activeModalWidget(), nullptr);  // the main window stays usable
  QVERIFY(window_->isEnabled());

  // 32 labels in list order, FP2 (selected on opening) highlighted.
  QStringList labels;
  for (const trace::Step& step : Traces()->controller().picture().steps) {
    if (const auto* text = std::get_if<trace::Text>(&step);
        text != nullptr &&
        (text->ink == trace::Ink::kLabel || text->ink == trace::Ink::kHighlightLabel)) {
      labels << QString::fromStdString(text->text);
    }
  }
  QCOMPARE(labels.size(), 32);
  for (int i = 0; i < 32; ++i) {
    QCOMPARE(labels[i], QString::fromUtf8(ChannelAtListIndex(i).name.data(),
                                          static_cast<int>(ChannelAtListIndex(i).name.size())));
  }
  // Every band shows trace ink.
  const QImage image = Traces()->canvas()->grab().toImage();
  const trace::Rect area = Traces()->controller().picture().traces;
  const trace::Rgb ink = trace::InkColour(trace::Ink::kTrace);
  const trace::Rgb highlight = trace::InkColour(trace::Ink::kHighlightTrace);
  for (int band = 0; band < 32; ++band) {
    const trace::Rgb want = band == 0 ? highlight : ink;
    int count = 0;
    const int top = area.top + band * area.height() / 32;
    const int bottom = area.top + (band + 1) * area.height() / 32;
    for (int y = top; y < bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        const QColor c = image.pixelColor(x, y);
        count += c.red() == want.red && c.green() == want.green && c.blue() == want.blue;
      }
    }
    QVERIFY2(count > 100, qPrintable(QStringLiteral("band %1: %2 pixels").arg(band).arg(count)));
  }
  const QString file = QStringLiteral(VELBRIX_SCREENSHOT_DIR "/velbrix_traces.png");
  if (!Traces()->grab().save(file)) {
    qWarning("could not save %s", qPrintable(file));
  }
}

void TraceWindowTest::StatusLineGivesTheExactValueUnderTheMouse() {
  OpenTraces(kDemo);
  QCOMPARE(Traces()->controller().page_records(), 1024u);  // the whole demo, 4 s
  auto* status = Part<QLabel>("Status");
  PointAt(61, "EKG");  // the first heartbeat's peak
  QCOMPARE(status->text(),
           QStringLiteral("Record 62  \u00B7  0.238 s  \u00B7  EKG  \u00B7  416.25 \u00B5V"));
  PointAt(300, "EKG");
  QCOMPARE(status->text(),
           QStringLiteral("Record 301  \u00B7  1.172 s  \u00B7  EKG  \u00B7  0 \u00B5V"));
}

void TraceWindowTest::TheWindowFollowsTheMainWindowAndKeepsTheSampleRate() {
  OpenTraces(kDemo);
  TraceWindow* traces = Traces();
  // A channel chosen in the main window is highlighted.
  auto* list = window_->findChild<QListWidget*>(QStringLiteral("LstCh"));
  list->setCurrentRow(9);  // Fz, as a click would
  std::vector<std::string> highlighted;
  for (const trace::Step& step : traces->controller().picture().steps) {
    if (const auto* text = std::get_if<trace::Text>(&step);
        text != nullptr && text->ink == trace::Ink::kHighlightLabel) {
      highlighted.push_back(text->text);
    }
  }
  QCOMPARE(highlighted, std::vector<std::string>{"Fz"});

  // The keys and the sample rate field reach the controller.
  traces->canvas()->setFocus();
  QTest::keyClick(traces->canvas(), Qt::Key_Plus);
  QCOMPARE(traces->controller().page_records(), 512u);  // 2 s
  QCOMPARE(Part<QComboBox>("PageLength")->currentText(), QStringLiteral("2 s"));
  // The wheel: a notch towards the user goes a step on; with Ctrl, away from the user, to a
  // shorter page.
  const auto turn_wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(QPointF(100, 100), traces->canvas()->mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(traces->canvas(), &event);
  };
  const std::uint64_t first = traces->controller().first_record();
  turn_wheel(-TraceController::kWheelNotch, Qt::NoModifier);
  QCOMPARE(traces->controller().first_record(), first + 51);
  turn_wheel(TraceController::kWheelNotch, Qt::ControlModifier);
  QCOMPARE(traces->controller().page_records(), 256u);  // 1 s
  turn_wheel(-TraceController::kWheelNotch, Qt::ControlModifier);
  QCOMPARE(traces->controller().page_records(), 512u);
  auto* rate = Part<QLineEdit>("SampleRate");
  rate->setFocus();
  rate->selectAll();
  QTest::keyClicks(rate, QStringLiteral("128"));
  QTest::keyClick(rate, Qt::Key_Return);
  QCOMPARE(traces->controller().sample_rate(), 128.0);
  QCOMPARE(traces->controller().page_records(), 256u);

  // Another recording shows in the same window; after closing and opening again the rate stays.
  QTemporaryDir data;
  const std::filesystem::path other = PathFromQt(data.filePath(QStringLiteral("other_eeg")));
  std::ofstream(other, std::ios::binary) << std::string(64 * 32, '\x7F');
  desktop_.answers.push_back(other);
  window_->findChild<QAction*>(QStringLiteral("mnuopen"))->trigger();
  QCOMPARE(Traces(), traces);
  QCOMPARE(traces->windowTitle(), QStringLiteral("Velbrix - other_eeg"));
  QCOMPARE(traces->controller().records(), 64u);
  // Opened again after it has grown, it is read afresh.
  std::ofstream(other, std::ios::binary | std::ios::app) << std::string(32 * 32, '\x7F');
  desktop_.answers.push_back(other);
  window_->findChild<QAction*>(QStringLiteral("mnuopen"))->trigger();
  QCOMPARE(traces->controller().records(), 96u);
  traces->close();
  QVERIFY(!traces->isVisible());
  QVERIFY(window_->isVisible());
  window_->findChild<QAction*>(QStringLiteral("mnutraces"))->trigger();
  QVERIFY(traces->isVisible());
  QCOMPARE(rate->text(), QStringLiteral("128"));
}

void TraceWindowTest::TheRowOfFieldsFollowsTheSharedTable() {
  TraceWindow window;
  QCOMPARE(window.size(), QSize(trace::kStartWidth, trace::kStartHeight));
  // Each field after its label, and Tab from the canvas through the fields in their order.
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QWidget* focus = window.canvas();
  for (const trace::RowField& entry : trace::kRowFields) {
    QWidget* field = window.findChild<QWidget*>(QString::fromUtf8(entry.name));
    QVERIFY(field != nullptr);
    focus = focus->nextInFocusChain();
    while (focus->focusPolicy() == Qt::NoFocus) {
      focus = focus->nextInFocusChain();
    }
    QCOMPARE(focus, field);
    const auto labels = window.findChildren<QLabel*>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [&](QLabel* label) {
      return label->text() == QString::fromUtf8(entry.label) && label->x() < field->x();
    }));
  }
}

void TraceWindowTest::EveryFieldTakesItsAccessKeyAndABoxKeepsTheFocusForItsArrows() {
  OpenTraces(kDemo);
  const std::pair<Qt::Key, const char*> keys[] = {
      {Qt::Key_R, "SampleRate"}, {Qt::Key_P, "PageLength"}, {Qt::Key_A, "Amplitude"},
      {Qt::Key_G, "HighPass"},   {Qt::Key_L, "LowPass"},    {Qt::Key_N, "Notch"},
      {Qt::Key_M, "Montage"}};
  for (const auto& [key, name] : keys) {
    QTest::keyClick(Traces(), key, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Part<QWidget>(name));
  }
  // Arrows on the closed Amplitude box: each chooses the next entry, and the box keeps the focus
  // for the next one.
  QTest::keyClick(Traces(), Qt::Key_A, Qt::AltModifier);
  auto* amplitude = Part<QComboBox>("Amplitude");
  const int first = amplitude->currentIndex();
  QVERIFY(first + 2 < amplitude->count());
  const double microvolts = Traces()->controller().microvolts_per_division();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  QTest::qWait(50);
  QCOMPARE(QApplication::focusWidget(), amplitude);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  QTest::qWait(50);
  QCOMPARE(amplitude->currentIndex(), first + 2);
  QCOMPARE(QApplication::focusWidget(), amplitude);
  QVERIFY(Traces()->controller().microvolts_per_division() != microvolts);
}

void TraceWindowTest::TheBoxesHoldTheirLongestEntriesAtTheFirstSize() {
  desktop_.answers.push_back(kDemo);
  window_->findChild<QAction*>(QStringLiteral("mnuopen"))->trigger();
  window_->findChild<QAction*>(QStringLiteral("mnutraces"))->trigger();
  QVERIFY(QTest::qWaitForWindowExposed(Traces()));
  QCOMPARE(Traces()->width(), trace::kStartWidth);
  for (const trace::RowField& entry : trace::kRowFields) {
    auto* box = Traces()->findChild<QComboBox*>(QString::fromUtf8(entry.name));
    if (box == nullptr) {
      continue;  // the sample rate's field
    }
    // Sized to its longest entry (AdjustToContents), and never given less.
    QVERIFY2(box->width() >= box->sizeHint().width(), entry.name);
    QVERIFY2(box->geometry().right() < Traces()->width(), entry.name);
  }
}

void TraceWindowTest::AFilterAndAMontageFromTheirBoxesChangeTheTracesAndTheStatus() {
  OpenTraces(kDemo);
  const auto trace_of = [&](std::size_t row) {
    std::vector<trace::Point> points;
    std::size_t seen = 0;
    for (const trace::Step& step : Traces()->controller().picture().steps) {
      if (const auto* line = std::get_if<trace::Polyline>(&step); line && seen++ == row) {
        points = line->points;
      }
    }
    return points;
  };
  PointAt(300, "O1");
  const QString raw = Part<QLabel>("Status")->text();
  const std::vector<trace::Point> before = trace_of(20);  // O1

  // Alt+G goes to the high-pass; Down chooses its next entry, 0.1 Hz, then 0.3 Hz.
  QTest::keyClick(Traces(), Qt::Key_G, Qt::AltModifier);
  auto* high_pass = Part<QComboBox>("HighPass");
  QCOMPARE(QApplication::focusWidget(), high_pass);
  QTest::keyClick(high_pass, Qt::Key_Down);
  QTest::keyClick(high_pass, Qt::Key_Down);
  QCOMPARE(high_pass->currentText(), QStringLiteral("0.3 Hz"));
  QCOMPARE(Traces()->controller().filters().high_pass, 0.3);
  QVERIFY(trace_of(20) != before);
  PointAt(300, "O1");
  QVERIFY(Part<QLabel>("Status")->text() != raw);

  QTest::keyClick(Traces(), Qt::Key_M, Qt::AltModifier);
  auto* montage = Part<QComboBox>("Montage");
  QCOMPARE(QApplication::focusWidget(), montage);
  QTest::keyClick(montage, Qt::Key_End);
  QCOMPARE(montage->currentText(), QStringLiteral("Bipolar longitudinal"));
  QCOMPARE(Traces()->controller().page_rows().size(), std::size_t{28});
  const trace::Rect area = Traces()->controller().picture().traces;
  MoveOver(Traces()->canvas(), QPoint(area.left + 100, area.top + area.height() / 56));
  QVERIFY2(Part<QLabel>("Status")->text().contains(QStringLiteral("FP1-F7")),
           qPrintable(Part<QLabel>("Status")->text()));
}

void TraceWindowTest::ViewSpectrumOpensTheSpectrumOfThePage() {
  OpenTraces(kDemo);
  QVERIFY(Traces()->spectrum_window() == nullptr);
  Traces()->findChild<QAction*>(QStringLiteral("Spectrum"))->trigger();
  SpectrumWindow* spectrum = Traces()->spectrum_window();
  QVERIFY(spectrum != nullptr);
  QVERIFY(QTest::qWaitForWindowExposed(spectrum));
  QCOMPARE(spectrum->windowTitle(), QStringLiteral("Velbrix - demo_eeg - Spectrum"));
  auto* channel = spectrum->findChild<QComboBox*>(QString::fromUtf8(trace::kSpectrumChannelName));
  QCOMPARE(channel->currentText(), QStringLiteral("FP2"));  // the highlighted channel
  const auto curves = [&] {
    int count = 0;
    for (const trace::Step& step : Traces()->controller().spectrum_picture().steps) {
      count += std::holds_alternative<trace::Polyline>(step) ? 1 : 0;
    }
    return count;
  };
  QCOMPARE(curves(), 1);
  channel->setFocus();
  QTest::keyClick(channel, Qt::Key_Home);  // all channels
  QCOMPARE(curves(), 32);
  auto* canvas = spectrum->findChild<QWidget*>(QStringLiteral("SpectrumCanvas"));
  MoveOver(canvas, QPoint(canvas->width() / 4, canvas->height() / 2));
  QVERIFY2(spectrum->findChild<QLabel*>(QStringLiteral("SpectrumStatus"))
               ->text()
               .contains(QStringLiteral(" Hz  \u00B7  ")),
           qPrintable(spectrum->findChild<QLabel*>(QStringLiteral("SpectrumStatus"))->text()));
  spectrum->close();
  QVERIFY(!spectrum->isVisible());
}

void TraceWindowTest::SavePictureWritesThePageAsAPngOfTheCanvasSize() {
  OpenTraces(kDemo);
  QVERIFY(Traces()->findChild<QAction*>(QStringLiteral("SavePicture")) != nullptr);
  // A name without an extension is saved with ".png".
  const std::filesystem::path path = PathFromQt(program_dir_.path()) / "page.png";
  Traces()->SavePictureAs(PathFromQt(program_dir_.path()) / "page");
  QCOMPARE(Part<QLabel>("Status")->text(),
           QString::fromStdString("Saved the picture as " + PathForDisplay(path)));
  std::ifstream file(path, std::ios::binary);
  const std::string png((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  RgbImage image;
  QVERIFY(DecodeStoredPng(png, &image));
  QCOMPARE(image.width, Traces()->canvas()->width());
  QCOMPARE(image.height, Traces()->canvas()->height());
  // Not blank: the trace's ink is in it, as well as the background.
  const trace::Rgb ink = trace::InkColour(trace::Ink::kTrace);
  int inked = 0;
  for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
    inked += image.pixels[i] == ink.red && image.pixels[i + 1] == ink.green &&
                     image.pixels[i + 2] == ink.blue
                 ? 1
                 : 0;
  }
  QVERIFY(inked > 1000);
  // The calibration bar, beside the traces: its ink in a column right of them.
  const trace::Rgb scale = trace::InkColour(trace::Ink::kScale);
  int scaled = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = Traces()->controller().picture().traces.right; x < image.width; ++x) {
      const auto i = static_cast<std::size_t>((y * image.width + x) * 3);
      scaled += image.pixels[i] == scale.red && image.pixels[i + 1] == scale.green &&
                        image.pixels[i + 2] == scale.blue
                    ? 1
                    : 0;
    }
  }
  QVERIFY2(scaled > 10, qPrintable(QString::number(scaled)));
}

std::filesystem::path TraceWindowTest::DemoCopy() const {
  const std::filesystem::path folder = PathFromQt(program_dir_.path()) / "events";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(kDemo, folder / "demo_eeg");
  return folder / "demo_eeg";
}

void TraceWindowTest::TheKeyAddsAnEventAndTheEventsListJumpsRenamesAndDeletes() {
  const std::filesystem::path demo = DemoCopy();
  OpenTraces(demo);
  Traces()->canvas()->setFocus();
  AnswerLabel(QStringLiteral("blink"));
  QTest::keyClick(Traces()->canvas(), Qt::Key_M);
  QCOMPARE(Traces()->controller().events().list().size(), 1u);
  QCOMPARE(Traces()->controller().events().list()[0].label, std::string("blink"));
  AnswerLabel(QStringLiteral("spike"));
  // The window is active again once the prompt has gone, as the desktop makes it.
  Traces()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(Traces()));
  Traces()->canvas()->setFocus();
  QTest::keyClick(Traces()->canvas(), Qt::Key_Insert);
  QCOMPARE(Traces()->controller().events().list().size(), 2u);

  Traces()->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(Traces()));
  QTest::keyClick(Traces()->canvas(), Qt::Key_L, Qt::ControlModifier);
  TraceEventsList* list = Traces()->events_list();
  QVERIFY(list != nullptr && list->isVisible());
  QCOMPARE(list->table()->model()->rowCount(), 2);
  QCOMPARE(list->table()->model()->index(1, 3).data().toString(), QStringLiteral("spike"));
  list->table()->setCurrentIndex(list->table()->model()->index(1, 0));
  list->findChild<QPushButton*>(QStringLiteral("GoToEvent"))->click();
  QCOMPARE(Traces()->controller().selected_event(), std::optional<std::size_t>(1));
  list->table()->setCurrentIndex(list->table()->model()->index(1, 0));
  AnswerLabel(QStringLiteral("spike wave"));
  list->findChild<QPushButton*>(QStringLiteral("RenameEvent"))->click();
  QCOMPARE(list->table()->model()->index(1, 3).data().toString(), QStringLiteral("spike wave"));
  list->table()->setCurrentIndex(list->table()->model()->index(0, 0));
  list->findChild<QPushButton*>(QStringLiteral("DeleteEvent"))->click();
  QCOMPARE(list->table()->model()->rowCount(), 1);

  Traces()->findChild<QAction*>(QStringLiteral("SaveEvents"))->trigger();
  std::ifstream file(demo.parent_path() / "demo_events.tsv", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  QCOMPARE(text, std::string("start_record\tlength_records\tlabel\n0\t0\tspike wave\n"));
}

void TraceWindowTest::ClosingWithUnsavedEventsAsksAndCancelKeepsTheWindow() {
  const std::filesystem::path demo = DemoCopy();
  OpenTraces(demo);
  Traces()->canvas()->setFocus();
  AnswerLabel(QStringLiteral("mark"));
  Traces()->findChild<QAction*>(QStringLiteral("AddEvent"))->trigger();
  QVERIFY(Traces()->controller().events().unsaved());

  AnswerUnsaved(QMessageBox::Cancel);
  Traces()->close();
  QVERIFY(Traces()->isVisible());
  // Closing the converter window ends the program: it asks too, and Cancel keeps both.
  AnswerUnsaved(QMessageBox::Cancel);
  window_->close();
  QVERIFY(window_->isVisible());
  QVERIFY(Traces()->isVisible());

  AnswerUnsaved(QMessageBox::Save);
  Traces()->close();
  QTRY_VERIFY(!Traces()->isVisible());
  QVERIFY(std::filesystem::exists(demo.parent_path() / "demo_events.tsv"));
}

void TraceWindowTest::ImportEventsAddsTheTablesEventsAsUnsaved() {
  const std::filesystem::path demo = DemoCopy();
  OpenTraces(demo);
  const std::filesystem::path table = demo.parent_path() / "lab.tsv";
  std::ofstream(table) << "start_record\tlength_records\tlabel\n10\t0\tblink\n100\t50\tartefact\n";
  AnswerModal("ImportEventsDialog", [table](QWidget* modal) {
    auto* dialog = static_cast<ImportEventsDialog*>(modal);
    dialog->ChooseFile(table);
    dialog->accept();
  });
  Traces()->findChild<QAction*>(QStringLiteral("ImportEvents"))->trigger();
  QCOMPARE(Traces()->controller().events().list().size(), 2u);
  QVERIFY(Traces()->controller().events().unsaved());
}

// View > Montage Editor... opens on the montage shown; the keys reach every field, a bad
// derivation is said while it is typed without the focus leaving the field, and Save writes the
// montage into the montage folder and has the window show it.
void TraceWindowTest::TheMontageEditorSavesAMontageThatTheBoxThenShows() {
  OpenTraces(kDemo);
  auto* box = Part<QComboBox>("Montage");
  box->setCurrentIndex(box->findText(QStringLiteral("Bipolar longitudinal")));
  box->activated(box->currentIndex());
  bool answered = false;
  AnswerModal("MontageEditorDialog", [&answered](QWidget* modal) {
    auto* dialog = static_cast<MontageEditorDialog*>(modal);
    // A failed check returns early: the dialog is closed all the same, and the test goes on.
    const auto close = qScopeGuard([dialog] {
      if (dialog->isVisible())
        dialog->reject();
    });
    auto* rows = dialog->findChild<QTableWidget*>(QStringLiteral("rows"));
    auto* derivation = dialog->findChild<QLineEdit*>(QStringLiteral("derivation"));
    auto* message = dialog->findChild<QLabel*>(QStringLiteral("message"));
    QCOMPARE(rows->rowCount(), 28);
    QCOMPARE(derivation->text(), QStringLiteral("FP1-F7"));
    // The keys go to the active window, which the platform may make the dialog a little later.
    dialog->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == dialog && QApplication::focusWidget() != nullptr &&
                dialog->isAncestorOf(QApplication::focusWidget()));
    const std::pair<Qt::Key, const char*> keys[] = {
        {Qt::Key_N, "name"},  {Qt::Key_R, "rows"},   {Qt::Key_D, "derivation"},
        {Qt::Key_L, "label"}, {Qt::Key_F, "factor"}, {Qt::Key_D, "derivation"}};
    for (const auto& [key, name] : keys) {
      QTest::keyClick(dialog, key, Qt::AltModifier);
      QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromUtf8(name));
    }
    derivation->selectAll();
    QTest::keyClicks(derivation, "FP1-Fx3");
    QCOMPARE(message->text(), QStringLiteral("Row 1: \"Fx3\" is not a channel"));
    QCOMPARE(QApplication::focusWidget(), derivation);
    QCOMPARE(rows->item(0, 4)->text(), QStringLiteral("\"Fx3\" is not a channel"));
    for (int i = 0; i < 3; ++i)
      QTest::keyClick(derivation, Qt::Key_Backspace);
    QTest::keyClicks(derivation, "T3");
    QVERIFY(message->text().isEmpty());
    QCOMPARE(rows->item(0, 0)->text(), QStringLiteral("FP1-T3"));
    derivation->selectAll();
    QTest::keyClicks(derivation, "FP1-(A1+A2)/2");
    dialog->findChild<QPushButton*>(QStringLiteral("down"))->click();
    QCOMPARE(rows->currentRow(), 1);
    QCOMPARE(rows->item(1, 0)->text(), QStringLiteral("FP1-(A1+A2)/2"));
    rows->setCurrentCell(0, 0);  // F7-T3
    dialog->findChild<QPushButton*>(QStringLiteral("shown"))->click();
    QCOMPARE(rows->item(0, 3)->text(), QStringLiteral("No"));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("name"));
    name->setText(QStringLiteral("Ears first"));
    dialog->grab().save(QStringLiteral(VELBRIX_SCREENSHOT_DIR "/velbrix_montage_editor.png"));
    dialog->accept();
    answered = true;
  });
  Traces()->findChild<QAction*>(QStringLiteral("MontageEditor"))->trigger();
  QVERIFY(answered);
  const std::filesystem::path file =
      PathFromQt(config_dir_.path()) / "Velbrix" / "montages" / "Ears first.montage";
  QVERIFY(std::filesystem::is_regular_file(file));
  QCOMPARE(box->currentText(), QStringLiteral("Ears first"));
  QCOMPARE(box->count(), 5);
  const std::vector<MontageRow>& rows = Traces()->controller().page_rows();
  QCOMPARE(rows.front().label, std::string("FP1-(A1+A2)/2"));
  QCOMPARE(rows.size(), 27u);
}

}  // namespace velbrix

QTEST_MAIN(velbrix::TraceWindowTest)
#include "trace_window_test.moc"
