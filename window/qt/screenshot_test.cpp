// Pictures of the windows for the user's documents: samples/demo_eeg opened in the converter window
// and in the trace window, saved as velbrix-window.png and trace-window.png into the folder that
// the environment variable VELBRIX_SCREENSHOT_DIR names (scripts/screenshots sets it to
// docs/images). Without the variable the test opens nothing and is reported as skipped.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "window/qt/fonts.h"
#include "window/qt/frm_fle_window.h"
#include "window/qt/qt_desktop.h"
#include "window/qt/scripted_desktop.h"
#include "window/qt/trace_window.h"

namespace velbrix {

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void SavesTheConverterWindowWithTheDemoOpened();
  void SavesTheTraceWindowOfTheDemo();

 private:
  // Opens samples/demo_eeg through File > Open, as a user does, and chooses Fz in the list.
  void OpenDemo();
  // Saves `widget` as it shows now into `name` in the folder, and checks that the file reads back
  // as a picture of the widget's size.
  void Save(QWidget* widget, const QString& name);

  QString folder_;
  QTemporaryDir program_dir_;
  testing::ScriptedDesktop desktop_;
  std::unique_ptr<FrmFleWindow> window_;
};

void ScreenshotTest::initTestCase() {
  folder_ = qEnvironmentVariable("VELBRIX_SCREENSHOT_DIR");
  if (folder_.isEmpty()) {
    QSKIP("VELBRIX_SCREENSHOT_DIR is not set: no pictures to make (scripts/screenshots sets it)");
  }
  QVERIFY2(QDir(folder_).exists(), qPrintable(folder_ + QStringLiteral(": no such folder")));
  QVERIFY(program_dir_.isValid());
  RegisterFontSubstitutes();
}

void ScreenshotTest::init() {
  desktop_ = testing::ScriptedDesktop();
  desktop_.program_folder = PathFromQt(program_dir_.path());
  window_ = std::make_unique<FrmFleWindow>(desktop_);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void ScreenshotTest::cleanup() {
  window_.reset();
}

void ScreenshotTest::OpenDemo() {
  desktop_.answers.push_back(std::filesystem::path(VELBRIX_SAMPLES_DIR) / "demo_eeg");
  window_->findChild<QAction*>(QStringLiteral("mnuopen"))->trigger();
  auto* list = window_->findChild<QListWidget*>(QStringLiteral("LstCh"));
  QVERIFY(list->isEnabled());
  list->setCurrentRow(9);  // Fz, as a click would
}

void ScreenshotTest::Save(QWidget* widget, const QString& name) {
  const QString file = QDir(folder_).filePath(name);
  const QImage picture = widget->grab().toImage();
  QVERIFY2(picture.save(file, "PNG"), qPrintable(QStringLiteral("cannot write ") + file));
  const QImage saved(file);
  QCOMPARE(saved.size(), picture.size());
}

void ScreenshotTest::SavesTheConverterWindowWithTheDemoOpened() {
  OpenDemo();
  // "Selection" with Fz chosen: the state in which OK converts one channel.
  QTest::mouseClick(window_->findChild<QRadioButton*>(QStringLiteral("optch_0")), Qt::LeftButton);
  QTest::qWait(100);
  Save(window_.get(), QStringLiteral("velbrix-window.png"));
}

void ScreenshotTest::SavesTheTraceWindowOfTheDemo() {
  OpenDemo();  // Fz is highlighted among the traces
  window_->findChild<QAction*>(QStringLiteral("mnutraces"))->trigger();
  TraceWindow* traces = window_->trace_window();
  QVERIFY(traces != nullptr);
  traces->resize(1280, 760);
  QVERIFY(QTest::qWaitForWindowExposed(traces));
  // The overview strip is drawn once its worker is through.
  QTRY_VERIFY(!traces->controller().picture().steps.empty());
  QTest::qWait(300);
  Save(traces, QStringLiteral("trace-window.png"));
}

}  // namespace velbrix

QTEST_MAIN(velbrix::ScreenshotTest)
#include "screenshot_test.moc"
