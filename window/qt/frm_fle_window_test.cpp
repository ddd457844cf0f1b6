// Tests of the Qt window on real widgets, driven by mouse and keyboard under a headless platform.
// The dialogs, the message boxes and the program's folder are answered by a scripted desktop.
// Each run saves screenshots of the window in its states (Idle, Opened, Converting) and of the
// Export dialog beside the test. The user's store of the Export dialog's entries is a temporary
// folder's.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "core/os/os_file.h"
#include "core/os/os_file_hooks.h"
#include "window/qt/export_dialog.h"
#include "window/qt/fonts.h"
#include "window/qt/frm_fle_window.h"
#include "window/qt/qt_desktop.h"
#include "window/qt/scripted_desktop.h"

namespace velbrix {
namespace {

// A recording that arrives slowly through a named pipe, block after block until the test ends, so
// that a run reading it stays observably in progress.
class SlowRecording {
 public:
  explicit SlowRecording(const std::filesystem::path& path) : path_(path) {
    if (::mkfifo(path.c_str(), 0600) != 0) {
      qFatal("cannot make the pipe %s", path.c_str());
    }
    feeder_ = std::thread([this] {
      const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);  // once the run opens it
      const std::string records(64 * 1024, '\x80');
      while (fd >= 0 && !done_ &&
             ::write(fd, records.data(), records.size()) == static_cast<ssize_t>(records.size())) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      if (fd >= 0) {
        ::close(fd);
      }
    });
  }
  ~SlowRecording() {
    done_ = true;
    // A feeder still waiting for a reader finds one, and then none.
    const int reader = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (reader >= 0) {
      ::close(reader);
    }
    feeder_.join();
  }
  SlowRecording(const SlowRecording&) = delete;
  SlowRecording& operator=(const SlowRecording&) = delete;

 private:
  std::filesystem::path path_;
  std::atomic<bool> done_{false};
  std::thread feeder_;
};

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs `answer` on the modal dialog that opens next, then closes whatever is still open, so that a
// failed check cannot leave the test waiting on the dialog.
void AnswerNextModal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    answer(QApplication::activeModalWidget());
    if (QWidget* still_open = QApplication::activeModalWidget()) {
      still_open->close();
    }
  });
}

}  // namespace

// The entries as QCOMPARE shows them when they differ: the format's index and the texts quoted.
char* toString(const ExportSettings& settings) {
  QString shown = QString::number(static_cast<int>(settings.target));
  for (const std::string& text : settings.texts) {
    shown += " \"" + QString::fromStdString(text) + '"';
  }
  return ::QTest::toString(shown);
}

class FrmFleWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void ControlsSitAtTheirTwipsPlaces_data();
  void ControlsSitAtTheirTwipsPlaces();
  void ClientAreaHasItsFixedSizeBelowTheMenuBar();
  void StartShowsOnlyMenuLabelsAndPicture();
  void FontsAreTheNamedFacesOrTheirLookAlikes_data();
  void FontsAreTheNamedFacesOrTheirLookAlikes();
  void AltFThenORunsOpen();
  void DisabledFileMenuOpensNeitherByKeysNorByMouse();
  void EnterAndEscapePressNoButton();
  void TabVisitsTheSelectedOptionListAndButtons();
  void ClickingAllAndSelectionGivesIndexOneAndZero();
  void ArrowKeysMoveWithinTheOptionGroup();
  void SelectionsFromCodeRunNoHandler();
  void ListKeepsTheAppendedOrderAndOneSelection();
  void KeyboardSelectionInTheListRunsItsHandler();
  void LongFileTextWrapsAndIsClipped();
  void FrameCoversLabel1WhileShown();
  void RefusedNameShowsAnInformationMessage();
  void OpenAllOkWritesEveryChannelIntoTheProgramFolder();
  void FailedRunWarnsWhileTheWindowShowsItsConvertingLook();
  void ProgressShowsDuringARunAndEscapeWithYesStopsIt();
  void DestroyingTheWindowDuringARunStopsItAndLeavesNothing();
  void AWaitForAnotherRunShowsWholeInLblFile();
  void ExportEdfFromTheMenuWritesTheFileLikeOk();
  void ExportBrainVisionAndBidsFromTheMenuWriteTheirFiles();
  void ExportWithABadEntryWarnsAndAsksAgain();
  void ExportEntriesAreRememberedForTheNextWindow();
  void AHugeRememberedEntryIsOfferedCutToItsStart();
  void ASettingsFileThatIsNoFileLetsTheWindowAppear_data();
  void ASettingsFileThatIsNoFileLetsTheWindowAppear();
  void FilterLetsEveryFileShow();
  void OpenFilterPatternMatchesNamesWithoutADot();
  void DesktopMessageBoxHasTheCaptionIconAndOneOk();
  void DesktopOpenDialogReturnsTheChosenPathOrNothing();
  void DesktopQuestionHasYesAndNo();
  void DesktopExportDialogReturnsWhatWasTyped();
  void ExportDialogEnablesTheBidsFieldsForBidsFormats();
  void OpenOutputFolderShowsAnInstalledCopysDocumentsFolder();
  void DesktopKnowsAnInstalledCopyByItsMark();

 private:
  template <typename T>
  T* Control(const char* name) const {
    T* control = window_->findChild<T*>(QString::fromUtf8(name));
    if (control == nullptr) {
      qFatal("no control named %s", name);
    }
    return control;
  }
  void ShowAndActivate();
  // Writes `bytes` as `name` in the data folder and opens it through File > Open.
  std::filesystem::path OpenRecording(const char* name, const std::string& bytes);
  // Saves `shown` (the converter window unless given) as velbrix_<state>.png beside the test.
  void SaveScreenshot(const char* state, QWidget* shown = nullptr) const;
  // Waits until the run that works has ended and its end has reached the window.
  void WaitForTheRunsEnd();
  // The widget that has the keyboard focus inside the window, or its object name "" if none.
  QString FocusName() const;

  QTemporaryDir program_dir_;
  QTemporaryDir data_dir_;
  QTemporaryDir config_dir_;  // the user's settings, QSettings' included
  testing::ScriptedDesktop desktop_;
  std::unique_ptr<FrmFleWindow> window_;
};

void FrmFleWindowTest::initTestCase() {
  std::signal(SIGPIPE, SIG_IGN);  // a SlowRecording's feeder finds out that the run has stopped
  RegisterFontSubstitutes();
  QVERIFY(program_dir_.isValid() && data_dir_.isValid() && config_dir_.isValid());
  // Before QSettings first looks for the user's folder, so that the user's own stay untouched.
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config_dir_.path()));
  QVERIFY(QSettings(kSettingsOrganization, kSettingsApplication)
              .fileName()
              .startsWith(config_dir_.path() + "/"));
}

void FrmFleWindowTest::init() {
  desktop_ = testing::ScriptedDesktop();
  desktop_.program_folder = PathFromQt(program_dir_.path());
  window_ = std::make_unique<FrmFleWindow>(desktop_);
}

void FrmFleWindowTest::cleanup() {
  window_.reset();
  for (QTemporaryDir* dir : {&program_dir_, &data_dir_}) {
    QDir folder(dir->path());
    for (const QString& name : folder.entryList(QDir::Files)) {
      folder.remove(name);
    }
  }
}

void FrmFleWindowTest::ShowAndActivate() {
  window_->show();
  window_->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

std::filesystem::path FrmFleWindowTest::OpenRecording(const char* name, const std::string& bytes) {
  const std::filesystem::path path = PathFromQt(data_dir_.filePath(QString::fromUtf8(name)));
  WriteBytes(path, bytes);
  desktop_.answers.push_back(path);
  Control<QAction>("mnuopen")->trigger();
  return path;
}

void FrmFleWindowTest::SaveScreenshot(const char* state, QWidget* shown) const {
  const QString file = QStringLiteral(VELBRIX_SCREENSHOT_DIR "/velbrix_%1.png").arg(state);
  if (!(shown != nullptr ? shown : window_.get())->grab().save(file)) {
    qWarning("could not save %s", qPrintable(QDir::toNativeSeparators(file)));
  }
}

void FrmFleWindowTest::WaitForTheRunsEnd() {
  QTRY_VERIFY_WITH_TIMEOUT(!window_->form().converting(), 20000);
}

QString FrmFleWindowTest::FocusName() const {
  QWidget* focus = QApplication::focusWidget();
  return focus != nullptr && window_->isAncestorOf(focus) ? focus->objectName() : QString();
}

// Geometry

void FrmFleWindowTest::ControlsSitAtTheirTwipsPlaces_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("twips");  // left, top, width, height
  QTest::newRow("LblFile") << "LblFile" << QRect(600, 375, 4305, 495);
  QTest::newRow("Image1") << "Image1" << QRect(5085, 90, 600, 705);
  QTest::newRow("FraCh") << "FraCh" << QRect(255, 1005, 5130, 5385);
  QTest::newRow("optch(0) Selection") << "optch_0" << QRect(1065, 570, 1500, 375);
  QTest::newRow("optch(1) All") << "optch_1" << QRect(3105, 570, 1500, 375);
  QTest::newRow("LstCh") << "LstCh" << QRect(690, 1455, 3735, 2895);
  QTest::newRow("CmdOk") << "CmdOk" << QRect(1080, 4620, 1110, 315);
  QTest::newRow("CmdCancel") << "CmdCancel" << QRect(2730, 4620, 1110, 315);
  QTest::newRow("Label1") << "Label1" << QRect(300, 2205, 5010, 1590);
  QTest::newRow("Label15") << "Label15" << QRect(-315, 6690, 7245, 300);
  QTest::newRow("Progress") << "Progress" << QRect(300, 3915, 5010, 285);
}

void FrmFleWindowTest::ControlsSitAtTheirTwipsPlaces() {
  QFETCH(QString, name);
  QFETCH(QRect, twips);
  QCOMPARE(window_->logicalDpiX(), 96);  // 15 twips to a pixel
  QCOMPARE(window_->logicalDpiY(), 96);
  const QWidget* control = Control<QWidget>(qPrintable(name));
  QCOMPARE(control->geometry(),
           QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
}

void FrmFleWindowTest::ClientAreaHasItsFixedSizeBelowTheMenuBar() {
  ShowAndActivate();
  const QWidget* client = window_->centralWidget();
  QCOMPARE(client->size(), QSize(5790 / 15, 6915 / 15));
  QVERIFY(client->geometry().top() >= window_->menuBar()->geometry().bottom());
  QCOMPARE(window_->minimumSize(), window_->maximumSize());  // not resizable
  window_->resize(window_->width() + 100, window_->height() + 100);
  QCOMPARE(client->size(), QSize(386, 461));
  QCOMPARE(Control<QWidget>("LblFile")->geometry(), QRect(40, 25, 287, 33));
  // Label15 reaches beyond the client area; its parent cuts it off there.
  QCOMPARE(Control<QWidget>("Label15")->parentWidget(), client);
  QVERIFY(!client->rect().contains(Control<QWidget>("Label15")->geometry()));
}

// Start state

void FrmFleWindowTest::StartShowsOnlyMenuLabelsAndPicture() {
  ShowAndActivate();
  SaveScreenshot("idle");
  QCOMPARE(window_->windowTitle(), QString("Velbrix"));
  QVERIFY(!window_->windowIcon().isNull());
  QCOMPARE(window_->windowIcon().availableSizes().value(0), QSize(32, 32));

  for (const char* name : {"LblFile", "Image1", "Label1", "Label15"}) {
    QVERIFY2(Control<QWidget>(name)->isVisible(), name);
  }
  for (const char* name : {"FraCh", "optch_0", "optch_1", "LstCh", "CmdOk", "CmdCancel"}) {
    QVERIFY2(!Control<QWidget>(name)->isVisible(), name);
    QVERIFY2(Control<QWidget>(name)->isEnabled(), name);
  }
  QVERIFY(!Control<QWidget>("Progress")->isVisible());
  QCOMPARE(Control<QLabel>("LblFile")->text(), QString("File Opened - None"));
  QCOMPARE(Control<QLabel>("Label1")->text(), QString("ASCCII-DECIMAL FILECONVERTER"));
  QVERIFY(!Control<QLabel>("Label15")->text().isEmpty());
  QCOMPARE(Control<QGroupBox>("FraCh")->title(), QString("Channel Selection"));
  QVERIFY(!Control<QRadioButton>("optch_0")->isChecked());
  QVERIFY(!Control<QRadioButton>("optch_1")->isChecked());
  QCOMPARE(Control<QListWidget>("LstCh")->count(), 32);  // filled by Form_Load
  QVERIFY(Control<QListWidget>("LstCh")->selectedItems().isEmpty());
  QVERIFY(Control<QMenu>("mnufile")->menuAction()->isEnabled());
  QCOMPARE(Control<QMenu>("mnufile")->title(), QString("&File"));
  QCOMPARE(Control<QAction>("mnuopen")->text(), QString("&Open"));
  QVERIFY(Control<QAction>("mnuopen")->isEnabled());
  // After Open: a separator and the further items, which wait for a recording but the last.
  const QList<QAction*> items = Control<QMenu>("mnufile")->actions();
  QCOMPARE(items.size(), 5);
  QCOMPARE(items[0], Control<QAction>("mnuopen"));
  QVERIFY(items[1]->isSeparator());
  QCOMPARE(items[2]->text(), QString("&Export..."));
  QCOMPARE(items[3]->text(), QString("View &Traces"));
  QCOMPARE(items[4]->text(), QString("Open Output &Folder"));
  QVERIFY(!items[2]->isEnabled());
  QVERIFY(!items[3]->isEnabled());
  QVERIFY(items[4]->isEnabled());

  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(window_.get(), Qt::Key_Tab);
    QCOMPARE(FocusName(), QString());
  }
}

void FrmFleWindowTest::FontsAreTheNamedFacesOrTheirLookAlikes_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("face");
  QTest::addColumn<QString>("look_alike");
  QTest::addColumn<double>("points");
  QTest::addColumn<bool>("bold");
  QTest::addColumn<QColor>("text_colour");
  const QString antiqua = "Book Antiqua";
  const QString pagella = "TeX Gyre Pagella";
  QTest::newRow("LblFile") << "LblFile" << antiqua << pagella << 11.25 << true
                           << QColor(128, 0, 128);
  QTest::newRow("FraCh") << "FraCh"
                         << "Garamond"
                         << "EB Garamond" << 12.0 << true << QColor(0, 0, 192);
  QTest::newRow("optch_0") << "optch_0"
                           << "Garamond"
                           << "EB Garamond" << 12.0 << true << QColor(128, 0, 0);
  QTest::newRow("optch_1") << "optch_1"
                           << "Garamond"
                           << "EB Garamond" << 12.0 << true << QColor(128, 0, 0);
  QTest::newRow("LstCh") << "LstCh" << antiqua << pagella << 12.0 << true << QColor();
  QTest::newRow("CmdOk") << "CmdOk" << antiqua << pagella << 9.75 << true << QColor();
  QTest::newRow("CmdCancel") << "CmdCancel" << antiqua << pagella << 9.75 << true << QColor();
  QTest::newRow("Label1") << "Label1" << antiqua << pagella << 27.75 << false << QColor(0, 128, 0);
  QTest::newRow("Label15") << "Label15" << antiqua << pagella << 8.25 << true << QColor(192, 0, 0);
}

void FrmFleWindowTest::FontsAreTheNamedFacesOrTheirLookAlikes() {
  QFETCH(QString, name);
  QFETCH(QString, face);
  QFETCH(QString, look_alike);
  QFETCH(double, points);
  QFETCH(bool, bold);
  QFETCH(QColor, text_colour);
  const QWidget* control = Control<QWidget>(qPrintable(name));
  const QFontInfo shown(control->font());
  QVERIFY2(shown.family() == face || shown.family() == look_alike, qPrintable(shown.family()));
  QCOMPARE(control->font().pointSizeF(), points);
  QCOMPARE(shown.bold(), bold);
  QCOMPARE(shown.italic(), name == "Label1");
  QCOMPARE(shown.underline(), name == "Label1");
  if (text_colour.isValid()) {
    QCOMPARE(control->palette().color(QPalette::WindowText), text_colour);
  }
  if (name == "Label15") {
    QVERIFY(control->autoFillBackground());
    QCOMPARE(control->palette().color(QPalette::Window), QColor(255, 255, 255));
  }
}

// The menu

void FrmFleWindowTest::AltFThenORunsOpen() {
  ShowAndActivate();
  QTest::keyClick(window_.get(), Qt::Key_F, Qt::AltModifier);
  QTRY_VERIFY(QApplication::activePopupWidget() == Control<QMenu>("mnufile"));
  QTest::keyClick(Control<QMenu>("mnufile"), Qt::Key_O);
  QCOMPARE(desktop_.filters.size(), 1u);  // the dialog was shown: mnuopen_Click ran
  QCOMPARE(desktop_.filters[0], QString("All Files (*)"));
}

void FrmFleWindowTest::DisabledFileMenuOpensNeitherByKeysNorByMouse() {
  ShowAndActivate();
  window_->EnableMnuFile(false);
  QTest::keyClick(window_.get(), Qt::Key_F, Qt::AltModifier);
  QTest::keyClick(window_.get(), Qt::Key_O);
  QMenuBar* bar = window_->menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {},
                    bar->actionGeometry(Control<QMenu>("mnufile")->menuAction()).center());
  QTest::qWait(50);
  QVERIFY(QApplication::activePopupWidget() == nullptr);
  QVERIFY(desktop_.filters.empty());

  window_->EnableMnuFile(true);
  QTest::keyClick(window_.get(), Qt::Key_F, Qt::AltModifier);
  QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_O);
  QCOMPARE(desktop_.filters.size(), 1u);
}

// Keyboard

void FrmFleWindowTest::EnterAndEscapePressNoButton() {
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  QVERIFY(Control<QWidget>("FraCh")->isVisible());
  for (const char* name : {"CmdOk", "CmdCancel", "LstCh", "optch_0"}) {
    Control<QWidget>(name)->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(QApplication::focusWidget(), key);
    }
  }
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  QVERIFY(Control<QWidget>("FraCh")->isVisible());  // neither OK nor Cancel hid it
  QCOMPARE(Control<QLabel>("LblFile")->text(), QString("File Opened - rec01_eeg"));
  QCOMPARE(QDir(program_dir_.path()).entryList(QDir::Files).size(), 0);
  QVERIFY(desktop_.messages.empty());

  // The keys do reach the buttons: Space presses the one with the focus.
  Control<QWidget>("CmdCancel")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  QVERIFY(!Control<QWidget>("FraCh")->isVisible());
  QCOMPARE(Control<QLabel>("LblFile")->text(), QString("File Opened - None"));
}

void FrmFleWindowTest::TabVisitsTheSelectedOptionListAndButtons() {
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  Control<QWidget>("optch_0")->setFocus();
  QStringList visited{FocusName()};
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << FocusName();
  }
  QCOMPARE(visited, QStringList({"optch_0", "LstCh", "CmdOk", "CmdCancel", "optch_0"}));

  // With "All", Tab enters the group at "All" and passes the disabled list.
  QTest::mouseClick(Control<QRadioButton>("optch_1"), Qt::LeftButton);
  visited = QStringList{FocusName()};
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited << FocusName();
  }
  QCOMPARE(visited, QStringList({"optch_1", "CmdOk", "CmdCancel", "optch_1"}));
}

// The options and the list

void FrmFleWindowTest::ClickingAllAndSelectionGivesIndexOneAndZero() {
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  QVERIFY(Control<QRadioButton>("optch_0")->geometry().x() <
          Control<QRadioButton>("optch_1")->geometry().x());

  QTest::mouseClick(Control<QRadioButton>("optch_1"), Qt::LeftButton);
  QVERIFY(window_->form().state().AllCh);  // optch_Click(1)
  QVERIFY(!Control<QListWidget>("LstCh")->isEnabled());
  QVERIFY(!Control<QRadioButton>("optch_0")->isChecked());
  QCOMPARE(window_->form().state().ChName, std::string("FP2"));
  // The disabled list takes no clicks and keeps its selection.
  auto* list = Control<QListWidget>("LstCh");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(3)).center());
  QCOMPARE(window_->LstChText(), std::string("FP2"));
  QCOMPARE(window_->form().state().ChName, std::string("FP2"));

  QTest::mouseClick(Control<QRadioButton>("optch_0"), Qt::LeftButton);
  QVERIFY(!window_->form().state().AllCh);  // optch_Click(0)
  QVERIFY(Control<QListWidget>("LstCh")->isEnabled());
  QVERIFY(!Control<QRadioButton>("optch_1")->isChecked());
}

void FrmFleWindowTest::ArrowKeysMoveWithinTheOptionGroup() {
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  Control<QWidget>("optch_0")->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
  QVERIFY(Control<QRadioButton>("optch_1")->isChecked());
  QCOMPARE(FocusName(), QString("optch_1"));
  QVERIFY(window_->form().state().AllCh);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
  QVERIFY(Control<QRadioButton>("optch_0")->isChecked());
  QVERIFY(!window_->form().state().AllCh);
}

void FrmFleWindowTest::SelectionsFromCodeRunNoHandler() {
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  QCOMPARE(window_->form().state().ChName, std::string("FP2"));
  window_->SelectOptch(1);
  QVERIFY(Control<QRadioButton>("optch_1")->isChecked());
  QVERIFY(!Control<QRadioButton>("optch_0")->isChecked());
  QVERIFY(!window_->form().state().AllCh);  // optch_Click did not run
  window_->SelectLstCh(5);
  QCOMPARE(window_->LstChText(), std::string("C4"));
  QCOMPARE(window_->form().state().ChName, std::string("FP2"));  // LstCh_Click did not run
}

void FrmFleWindowTest::ListKeepsTheAppendedOrderAndOneSelection() {
  auto* list = Control<QListWidget>("LstCh");
  QStringList entries;
  for (int i = 0; i < list->count(); ++i) {
    entries << list->item(i)->text();
  }
  QCOMPARE(entries,
           QStringList({"FP2", "F8",  "T4",  "T6",  "F4",  "C4",  "P4",  "O2",  "A2",  "Fz", "Cz",
                        "Pz",  "Oz",  "FP1", "F7",  "T3",  "T5",  "F3",  "C3",  "P3",  "O1", "A1",
                        "EKG", "BP1", "BP2", "BP3", "BP4", "DC1", "DC2", "DC3", "PG1", "PG2"}));
  QVERIFY(!list->isSortingEnabled());
  QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);

  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  list->scrollToItem(list->item(3));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(3)).center());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    list->visualItemRect(list->item(3)).center());
  QCOMPARE(list->selectedItems().size(), 1);
  QCOMPARE(list->selectedItems().front()->text(), QString("T6"));
  QCOMPARE(window_->form().state().ChName, std::string("T6"));
  QCOMPARE(window_->form().state().ChPos, std::string("4"));
}

void FrmFleWindowTest::KeyboardSelectionInTheListRunsItsHandler() {
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  auto* list = Control<QListWidget>("LstCh");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Down);
  QCOMPARE(window_->form().state().ChName, std::string("T4"));
  QTest::keyClick(list, Qt::Key_End);
  QCOMPARE(window_->form().state().ChName, std::string("PG2"));
  QCOMPARE(window_->form().state().ChPos, std::string("31"));
}

// Labels and the frame

void FrmFleWindowTest::LongFileTextWrapsAndIsClipped() {
  ShowAndActivate();
  auto* label = Control<QLabel>("LblFile");
  const QRect before = label->geometry();
  window_->SetLblFileCaption(
      "File Opened - a recording with a very long name that cannot possibly fit on one line of "
      "this label nor on two of them, so that it runs past the label's bottom edge_eeg");
  QApplication::processEvents();
  QCOMPARE(label->geometry(), before);
  QVERIFY(label->wordWrap());
  QVERIFY(label->heightForWidth(label->width()) > 2 * label->height());
  QCOMPARE(label->alignment(), Qt::AlignHCenter | Qt::AlignTop);
}

void FrmFleWindowTest::FrameCoversLabel1WhileShown() {
  ShowAndActivate();
  const QWidget* frame = Control<QWidget>("FraCh");
  const QWidget* label1 = Control<QWidget>("Label1");
  QVERIFY(frame->geometry().contains(label1->geometry()));
  QVERIFY(frame->autoFillBackground());
  // The frame lies above Label1: it comes later among the client area's children.
  const QObjectList& children = window_->centralWidget()->children();
  QVERIFY(children.indexOf(frame) > children.indexOf(label1));
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  QVERIFY(frame->isVisible());
  QVERIFY(window_->centralWidget()->childAt(label1->geometry().center()) != label1);
}

// Open, convert, messages

void FrmFleWindowTest::RefusedNameShowsAnInformationMessage() {
  OpenRecording("rec01.eeg", std::string(32, '\x80'));
  QCOMPARE(desktop_.messages.size(), 1u);
  QCOMPARE(desktop_.messages[0].text, QString("Not a Valid EEG file"));
  QCOMPARE(desktop_.messages[0].icon, MessageIcon::kInformation);
  QVERIFY(!Control<QWidget>("FraCh")->isVisibleTo(window_.get()));

  desktop_.answers.push_back(std::nullopt);  // cancelled: nothing at all
  Control<QAction>("mnuopen")->trigger();
  QCOMPARE(desktop_.messages.size(), 1u);
}

void FrmFleWindowTest::OpenAllOkWritesEveryChannelIntoTheProgramFolder() {
  ShowAndActivate();
  // Two records: every sample 128 (3.75), then every sample 127 (0).
  OpenRecording("rec01_eeg", std::string(32, '\x80') + std::string(32, '\x7f'));
  QVERIFY(Control<QWidget>("FraCh")->isVisible());
  QCOMPARE(Control<QLabel>("LblFile")->text(), QString("File Opened - rec01_eeg"));
  QVERIFY(Control<QRadioButton>("optch_0")->isChecked());
  QCOMPARE(window_->LstChText(), std::string("FP2"));
  SaveScreenshot("opened");

  QTest::mouseClick(Control<QRadioButton>("optch_1"), Qt::LeftButton);
  QTest::mouseClick(Control<QPushButton>("CmdOk"), Qt::LeftButton);
  WaitForTheRunsEnd();

  const QStringList outputs = QDir(program_dir_.path()).entryList(QDir::Files);
  QCOMPARE(outputs.size(), 32);
  QVERIFY(outputs.contains("rec01_eeg_FP2.eeg"));
  QVERIFY(outputs.contains("rec01_eeg_BP1.eeg"));
  const std::string separator = desktop_.DecimalSeparator();
  QCOMPARE(ReadBytes(program_dir_.filePath("rec01_eeg_Oz.eeg").toStdString()),
           " 3" + separator + "75 \r\n 0 \r\n");
  QVERIFY(desktop_.messages.empty());

  // Back to Idle.
  QVERIFY(!Control<QWidget>("FraCh")->isVisible());
  QCOMPARE(Control<QLabel>("LblFile")->text(), QString("File Opened - None"));
  QCOMPARE(Control<QLabel>("Label1")->text(), QString("ASCCII-DECIMAL FILECONVERTER"));
  QVERIFY(Control<QMenu>("mnufile")->menuAction()->isEnabled());
  QCOMPARE(window_->form().state().ChName, std::string());
}

void FrmFleWindowTest::FailedRunWarnsWhileTheWindowShowsItsConvertingLook() {
  desktop_.program_folder = PathFromQt(program_dir_.filePath("missing"));
  window_ = std::make_unique<FrmFleWindow>(desktop_);
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  bool looked = false;
  desktop_.while_message_shows = [&] {
    looked = true;
    SaveScreenshot("converting");
    QVERIFY(!Control<QWidget>("FraCh")->isVisible());
    QCOMPARE(Control<QLabel>("Label1")->text(), QString("LOADING THE FILES...."));
    QVERIFY(Control<QWidget>("Progress")->isVisible());
    QVERIFY(!Control<QMenu>("mnufile")->menuAction()->isEnabled());
  };
  QTest::mouseClick(Control<QPushButton>("CmdOk"), Qt::LeftButton);
  WaitForTheRunsEnd();
  QVERIFY(looked);
  QCOMPARE(desktop_.messages.size(), 1u);
  QCOMPARE(desktop_.messages[0].icon, MessageIcon::kWarning);
  QVERIFY2(desktop_.messages[0].text.contains("missing"), qPrintable(desktop_.messages[0].text));
  QCOMPARE(Control<QLabel>("Label1")->text(), QString("ASCCII-DECIMAL FILECONVERTER"));
  QVERIFY(Control<QMenu>("mnufile")->menuAction()->isEnabled());
}

void FrmFleWindowTest::ProgressShowsDuringARunAndEscapeWithYesStopsIt() {
  ShowAndActivate();
  WriteBytes(PathFromQt(program_dir_.filePath("slow_eeg_FP2.eeg")), "earlier");
  const std::filesystem::path path = PathFromQt(data_dir_.filePath("slow_eeg"));
  const SlowRecording recording(path);
  desktop_.answers.push_back(path);
  Control<QAction>("mnuopen")->trigger();
  QTest::mouseClick(Control<QRadioButton>("optch_1"), Qt::LeftButton);
  QTest::mouseClick(Control<QPushButton>("CmdOk"), Qt::LeftButton);

  // The run works while the window goes on handling events.
  QTest::qWait(200);
  QVERIFY(window_->form().converting());
  QVERIFY(Control<QWidget>("Progress")->isVisible());
  QVERIFY(!Control<QWidget>("FraCh")->isVisible());
  QCOMPARE(Control<QLabel>("Label1")->text(), QString("LOADING THE FILES...."));
  window_->SetProgress(40);  // a pipe has no size to count against: a part-filled bar to look at
  SaveScreenshot("converting");

  // Closing asks; No lets the run go on.
  window_->close();
  QCOMPARE(desktop_.questions.size(), 1u);
  QCOMPARE(desktop_.questions[0],
           QString("Stop the conversion? Files that were already there stay as they were."));
  QVERIFY(window_->isVisible());
  QVERIFY(window_->form().converting());

  // Escape asks; Yes stops the run.
  desktop_.yes_no_answers = {true};
  QTest::keyClick(window_.get(), Qt::Key_Escape);
  QCOMPARE(desktop_.questions.size(), 2u);
  WaitForTheRunsEnd();
  QVERIFY(!Control<QWidget>("Progress")->isVisible());
  QCOMPARE(Control<QLabel>("Label1")->text(), QString("ASCCII-DECIMAL FILECONVERTER"));
  QVERIFY(Control<QMenu>("mnufile")->menuAction()->isEnabled());
  QVERIFY(desktop_.messages.empty());
  QCOMPARE(QDir(program_dir_.path()).entryList(QDir::Files | QDir::Hidden),
           QStringList("slow_eeg_FP2.eeg"));
  QCOMPARE(ReadBytes(PathFromQt(program_dir_.filePath("slow_eeg_FP2.eeg"))), "earlier");
}

void FrmFleWindowTest::DestroyingTheWindowDuringARunStopsItAndLeavesNothing() {
  ShowAndActivate();
  WriteBytes(PathFromQt(program_dir_.filePath("unload_eeg_FP2.eeg")), "earlier");
  const std::filesystem::path path = PathFromQt(data_dir_.filePath("unload_eeg"));
  const SlowRecording recording(path);  // a name of its own: the pipe stays after the test
  desktop_.answers.push_back(path);
  Control<QAction>("mnuopen")->trigger();
  QTest::mouseClick(Control<QRadioButton>("optch_1"), Qt::LeftButton);
  QTest::mouseClick(Control<QPushButton>("CmdOk"), Qt::LeftButton);
  QVERIFY(window_->form().converting());
  QTest::qWait(100);  // blocks of the recording come and go meanwhile

  // As at the end of a session: no question, and the run has ended once the window is gone.
  window_.reset();
  QVERIFY(desktop_.questions.empty());
  QVERIFY(desktop_.messages.empty());
  QCOMPARE(QDir(program_dir_.path()).entryList(QDir::Files | QDir::Hidden),
           QStringList("unload_eeg_FP2.eeg"));
  QCOMPARE(ReadBytes(PathFromQt(program_dir_.filePath("unload_eeg_FP2.eeg"))), "earlier");
  // What the run posted before it ended is dropped with the window.
  QApplication::processEvents();
  QVERIFY(desktop_.messages.empty());
  window_ = std::make_unique<FrmFleWindow>(desktop_);  // for cleanup
}

void FrmFleWindowTest::AWaitForAnotherRunShowsWholeInLblFile() {
  ShowAndActivate();
  auto* label = Control<QLabel>("LblFile");
  const QRect place = label->geometry();
  const QFont font = label->font();
  FolderLock other_run;
  QVERIFY(!other_run.Acquire(PathFromQt(program_dir_.path())));
  OpenRecording("rec01_eeg", std::string(64, '\x80'));
  QTest::mouseClick(Control<QPushButton>("CmdOk"), Qt::LeftButton);
  const QString waiting = QString::fromStdString(LockWaitMessage(other_run.path()));
  QTRY_COMPARE_WITH_TIMEOUT(label->text(), waiting, 20000);

  // Every line of it within the label, which stays above Label1.
  QVERIFY(label->wordWrap());
  const QRect needed =
      QFontMetrics(label->font())
          .boundingRect(label->contentsRect(),
                        static_cast<int>(label->alignment()) | Qt::TextWordWrap, waiting);
  QVERIFY2(label->contentsRect().contains(needed), qPrintable(waiting));
  QVERIFY(label->geometry().bottom() < Control<QLabel>("Label1")->geometry().top());
  QVERIFY(label->font().pointSizeF() >= 6);
  SaveScreenshot("waiting");

  other_run.Release();
  WaitForTheRunsEnd();
  QCOMPARE(label->text(), QString("File Opened - None"));
  QCOMPARE(label->geometry(), place);
  QCOMPARE(label->font(), font);
}

void FrmFleWindowTest::ExportEdfFromTheMenuWritesTheFileLikeOk() {
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(3 * 32, '\x80'));
  QVERIFY(Control<QAction>("mnuexport")->isEnabled());
  ExportSettings entries;
  entries[ExportField::kSampleRate] = "3";
  entries[ExportField::kStart] = "2024-05-17 09:30:00";
  desktop_.export_answers = {entries};
  Control<QAction>("mnuexport")->trigger();
  WaitForTheRunsEnd();
  QCOMPARE(QDir(program_dir_.path()).entryList(QDir::Files), QStringList("rec01_eeg.edf"));
  const std::string edf = ReadBytes(PathFromQt(program_dir_.filePath("rec01_eeg.edf")));
  QCOMPARE(edf.size(), std::size_t{256 + 256 + 3 * 2});  // FP2, one data record of 3 samples
  QCOMPARE(edf.substr(168, 16), std::string("17.05.2409.30.00"));
  QVERIFY(desktop_.messages.empty());
  QCOMPARE(Control<QLabel>("LblFile")->text(), QString("File Opened - None"));
}

void FrmFleWindowTest::ExportBrainVisionAndBidsFromTheMenuWriteTheirFiles() {
  ShowAndActivate();
  OpenRecording("rec01_eeg", std::string(3 * 32, '\x80'));
  ExportSettings brainvision;
  brainvision.target = ExportFormat::kBrainVision;
  brainvision[ExportField::kSampleRate] = "3";
  desktop_.export_answers = {brainvision};
  Control<QAction>("mnuexport")->trigger();
  WaitForTheRunsEnd();
  QCOMPARE(QDir(program_dir_.path()).entryList(QDir::Files),
           QStringList({"rec01_eeg.eeg", "rec01_eeg.vhdr", "rec01_eeg.vmrk"}));
  QVERIFY(ReadBytes(PathFromQt(program_dir_.filePath("rec01_eeg.vhdr")))
              .find("DataFile=rec01_eeg.eeg") != std::string::npos);

  QTemporaryDir dataset;
  const std::filesystem::path root = PathFromQt(dataset.filePath("study"));
  OpenRecording("rec01_eeg", std::string(3 * 32, '\x80'));
  ExportSettings bids;
  bids.target = ExportFormat::kBidsEdf;
  bids[ExportField::kSampleRate] = "3";
  bids[ExportField::kBidsRoot] = root.string();
  bids[ExportField::kSubject] = "01";
  bids[ExportField::kTask] = "rest";
  desktop_.export_answers = {bids};
  Control<QAction>("mnuexport")->trigger();
  WaitForTheRunsEnd();
  QVERIFY(desktop_.messages.empty());
  for (const char* file :
       {"dataset_description.json", "participants.tsv", "sub-01/eeg/sub-01_task-rest_eeg.edf",
        "sub-01/eeg/sub-01_task-rest_eeg.json", "sub-01/eeg/sub-01_task-rest_channels.tsv"}) {
    QVERIFY2(std::filesystem::is_regular_file(root / file), file);
  }
  QVERIFY(ReadBytes(root / "participants.tsv").find("sub-01") != std::string::npos);
  QCOMPARE(QDir(program_dir_.path()).entryList(QDir::Files).size(), 3);  // as they were
}

void FrmFleWindowTest::ExportWithABadEntryWarnsAndAsksAgain() {
  OpenRecording("rec01_eeg", std::string(32, '\x80'));
  ExportSettings bad;
  bad[ExportField::kSampleRate] = "fast";
  desktop_.export_answers = {bad, std::nullopt};
  Control<QAction>("mnuexport")->trigger();
  QCOMPARE(desktop_.messages.size(), 1u);
  QCOMPARE(desktop_.messages[0].icon, MessageIcon::kWarning);
  QVERIFY2(desktop_.messages[0].text.contains("sample rate"),
           qPrintable(desktop_.messages[0].text));
  QCOMPARE(desktop_.export_dialogs.size(), 2u);
  QCOMPARE(desktop_.export_dialogs[1], bad);  // asked again with what was entered
  QVERIFY(!window_->form().converting());
  QVERIFY(QDir(program_dir_.path()).entryList(QDir::Files).isEmpty());
}

void FrmFleWindowTest::ExportEntriesAreRememberedForTheNextWindow() {
  QCOMPARE(QtDesktop().LoadExportSettings(), std::nullopt);  // none saved yet
  ExportSettings entries;
  entries.target = ExportFormat::kBidsBrainVision;
  entries[ExportField::kSampleRate] = "fast";  // remembered, though wrong
  entries[ExportField::kBidsRoot] = "/data/studies, 2024/Müller";
  entries[ExportField::kAuthors] = "A. Smith; B. Müller";
  entries[ExportField::kLicense] = "CC-BY-4.0";
  desktop_.remember_for_the_user = true;
  window_ = std::make_unique<FrmFleWindow>(desktop_);
  OpenRecording("rec01_eeg", std::string(32, '\x80'));
  desktop_.export_answers = {entries, std::nullopt};
  Control<QAction>("mnuexport")->trigger();
  QCOMPARE(desktop_.export_dialogs.size(), 2u);

  // A new desktop and window, as when the program starts again.
  window_.reset();
  desktop_ = testing::ScriptedDesktop();
  desktop_.program_folder = PathFromQt(program_dir_.path());
  desktop_.remember_for_the_user = true;
  window_ = std::make_unique<FrmFleWindow>(desktop_);
  QCOMPARE(QtDesktop().LoadExportSettings(), entries);
  OpenRecording("rec01_eeg", std::string(32, '\x80'));
  Control<QAction>("mnuexport")->trigger();
  QCOMPARE(desktop_.export_dialogs.size(), 1u);
  QCOMPARE(desktop_.export_dialogs[0], entries);  // the new window's dialog offers them
  QSettings(kSettingsOrganization, kSettingsApplication).remove(kSettingsGroup);
  QCOMPARE(QtDesktop().LoadExportSettings(), std::nullopt);
}

void FrmFleWindowTest::AHugeRememberedEntryIsOfferedCutToItsStart() {
  ExportSettings huge;
  huge[ExportField::kSubject] = std::string(10 << 20, 'x');  // 10 MB
  QtDesktop().SaveExportSettings(huge);
  const std::optional<ExportSettings> remembered = QtDesktop().LoadExportSettings();
  QSettings(kSettingsOrganization, kSettingsApplication).remove(kSettingsGroup);
  QVERIFY(remembered.has_value());
  QCOMPARE((*remembered)[ExportField::kSubject], std::string(kRememberedEntryMaxBytes, 'x'));
  ExportDialog dialog(*remembered, window_.get());
  dialog.show();
  QCOMPARE(dialog.findChild<QLineEdit*>("subject")->text().size(),
           static_cast<qsizetype>(kRememberedEntryMaxBytes));
}

void FrmFleWindowTest::ASettingsFileThatIsNoFileLetsTheWindowAppear_data() {
  QTest::addColumn<bool>("pipe");
  QTest::newRow("a pipe") << true;
  QTest::newRow("a folder") << false;
}

void FrmFleWindowTest::ASettingsFileThatIsNoFileLetsTheWindowAppear() {
  QFETCH(bool, pipe);
  const QString file = QSettings(kSettingsOrganization, kSettingsApplication).fileName();
  QFile::remove(file);
  QVERIFY(QDir().mkpath(QFileInfo(file).path()));
  if (pipe) {
    QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
  } else {
    QVERIFY(QDir().mkdir(file));
  }
  // Neither read (a pipe would make it wait for a writer) nor written.
  QCOMPARE(QtDesktop().LoadExportSettings(), std::nullopt);
  QtDesktop().SaveExportSettings(ExportSettings());
  desktop_.remember_for_the_user = true;
  window_ = std::make_unique<FrmFleWindow>(desktop_);
  ShowAndActivate();
  const QFileInfo left(file);
  QCOMPARE(left.isDir(), !pipe);
  QCOMPARE(left.isFile(), false);
  if (pipe) {
    QVERIFY(QFile::remove(file));
  } else {
    QVERIFY(QDir().rmdir(file));
  }
}

void FrmFleWindowTest::FilterLetsEveryFileShow() {
  QCOMPARE(QtFileFilter(kOpenFilters), QString("All Files (*)"));
  QCOMPARE(QtFileFilter({{"Recordings", "*_eeg"}, {"All Files", "*.*"}}),
           QString("Recordings (*_eeg);;All Files (*)"));
}

void FrmFleWindowTest::OpenFilterPatternMatchesNamesWithoutADot() {
  const QString filter = QtFileFilter(kOpenFilters);
  const QString pattern = filter.section('(', 1).chopped(1);  // what Qt reads from the filter
  QCOMPARE(pattern, QString("*"));
  QVERIFY(QDir::match(pattern, "rec01_eeg"));
  QVERIFY(!QDir::match("*.*", "rec01_eeg"));  // what the untranslated pattern would do
}

void FrmFleWindowTest::DesktopMessageBoxHasTheCaptionIconAndOneOk() {
  QtDesktop desktop;
  desktop.SetOwner(window_.get());
  for (MessageIcon icon : {MessageIcon::kInformation, MessageIcon::kWarning}) {
    bool checked = false;
    AnswerNextModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      QCOMPARE(box->windowTitle(), QString("Velbrix"));
      QCOMPARE(box->text(), QString("Not a Valid EEG file"));
      QCOMPARE(box->icon(),
               icon == MessageIcon::kWarning ? QMessageBox::Warning : QMessageBox::Information);
      QCOMPARE(box->buttons().size(), 1);
      QCOMPARE(box->standardButton(box->buttons().front()), QMessageBox::Ok);
      box->buttons().front()->click();
      checked = true;
    });
    desktop.ShowMessage("Not a Valid EEG file", icon);
    QVERIFY(checked);
  }
}

void FrmFleWindowTest::DesktopOpenDialogReturnsTheChosenPathOrNothing() {
  QtDesktop desktop;
  desktop.SetOwner(window_.get());
  const QString recording = data_dir_.filePath("rec01_eeg");
  WriteBytes(PathFromQt(recording), std::string(32, '\x80'));

  bool checked = false;
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->nameFilters(), QStringList("All Files (*)"));
    dialog->setDirectory(data_dir_.path());
    // The dialog lists the recording, whose name has no dot. (Asked before the file is selected:
    // the model shows a file that was asked for by name whatever the filter.)
    const auto* files = dialog->findChild<QFileSystemModel*>();
    QVERIFY(files != nullptr);
    QTRY_COMPARE(files->rowCount(files->index(data_dir_.path())), 1);
    // The user types the name and presses Enter.
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(name != nullptr);
    QTest::keyClicks(name, "rec01_eeg");
    QTest::keyClick(name, Qt::Key_Return);
    checked = true;
  });
  QCOMPARE(desktop.ChooseFileToOpen(kOpenFilters), PathFromQt(recording));
  QVERIFY(checked);

  AnswerNextModal([](QWidget*) {});  // closed without a choice
  QCOMPARE(desktop.ChooseFileToOpen(kOpenFilters), std::nullopt);
}

void FrmFleWindowTest::DesktopQuestionHasYesAndNo() {
  QtDesktop desktop;
  desktop.SetOwner(window_.get());
  for (const bool yes : {true, false}) {
    AnswerNextModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box != nullptr);
      QCOMPARE(box->windowTitle(), QString("Velbrix"));
      QCOMPARE(box->text(), QString("Stop?"));
      QCOMPARE(box->buttons().size(), 2);
      box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    QCOMPARE(desktop.AskYesNo("Stop?"), yes);
  }
}

void FrmFleWindowTest::DesktopExportDialogReturnsWhatWasTyped() {
  QtDesktop desktop;
  desktop.SetOwner(window_.get());
  ExportSettings typed;
  typed.target = ExportFormat::kBidsBrainVision;
  bool checked = false;
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<ExportDialog*>(modal);
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QString("Export"));
    QVERIFY(dialog->width() <= 1024 && dialog->height() <= 700);  // on a 1024 x 768 screen
    auto* format = dialog->findChild<QComboBox*>("format");
    QVERIFY(format != nullptr);
    QCOMPARE(format->currentIndex(), 0);
    auto* rate = dialog->findChild<QLineEdit*>("sample_rate");
    QTRY_COMPARE(QApplication::focusWidget(), rate);  // its 256 selected, to be typed over
    QCOMPARE(rate->selectedText(), QString("256"));
    format->setFocus();
    QTest::keyClick(format, Qt::Key_End);  // the last format: BIDS with BrainVision data
    QCOMPARE(format->currentText(), QString("BIDS dataset, BrainVision data"));
    QTest::keyClick(format, Qt::Key_Tab);  // to the rate, its text selected again
    QCOMPARE(QApplication::focusWidget(), rate);
    QCOMPARE(dialog->findChild<QLineEdit*>("start")->placeholderText(),
             QString("YYYY-MM-DD HH:MM:SS"));
    SaveScreenshot("export", dialog);
    for (const ExportFieldInfo& info : kExportFields) {
      auto* field = dialog->findChild<QLineEdit*>(info.key);
      QVERIFY2(field != nullptr, info.key);
      // Its label names it, and its access key leads to it.
      const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
      QVERIFY2(std::any_of(labels.begin(), labels.end(),
                           [&](const QLabel* label) {
                             return label->buddy() == field && label->text() == info.label;
                           }),
               info.key);
      // Each gets its key and a space, not trimmed; the rate's selected 256 is replaced.
      const QString text =
          info.field == ExportField::kAuthors ? "A. Smith; B. Jones " : QString(info.key) + " ";
      QTest::keyClicks(field, text);
      typed[info.field] = text.toStdString();
    }
    QTest::keyClick(dialog->findChild<QLineEdit*>("license"), Qt::Key_Return);
    checked = true;
  });
  // Asked first: `typed` is filled in while the dialog shows.
  const std::optional<ExportSettings> answer = desktop.AskExportSettings(ExportSettings());
  QVERIFY(checked && answer.has_value());
  QCOMPARE(*answer, typed);

  AnswerNextModal([](QWidget* modal) {
    auto* buttons = modal->findChild<QDialogButtonBox*>();
    QVERIFY(buttons != nullptr);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
  });
  QCOMPARE(desktop.AskExportSettings(typed), std::nullopt);
}

void FrmFleWindowTest::ExportDialogEnablesTheBidsFieldsForBidsFormats() {
  ExportSettings entries;
  entries[ExportField::kBidsRoot] = "/data/study";
  ExportDialog dialog(entries, window_.get());
  auto* format = dialog.findChild<QComboBox*>("format");
  auto* browse = dialog.findChild<QPushButton*>("browse");
  QVERIFY(format != nullptr && browse != nullptr);
  QCOMPARE(browse->text(), QString("&Browse..."));
  QCOMPARE(format->count(), 4);
  for (int i = 0; i < format->count(); ++i) {
    const ExportFormatInfo& target = kExportFormats[i];
    format->setFocus();
    if (i > 0) {
      QTest::keyClick(format, Qt::Key_Down);
    }
    QCOMPARE(format->currentText(), QString(target.label));
    QCOMPARE(dialog.settings().target, target.target);
    for (const ExportFieldInfo& info : kExportFields) {
      const bool enabled = !info.bids || IsBids(target.target);
      QVERIFY2(dialog.findChild<QLineEdit*>(info.key)->isEnabled() == enabled, info.key);
    }
    QCOMPARE(browse->isEnabled(), IsBids(target.target));
  }
  auto* sample_rate = dialog.findChild<QLineEdit*>("sample_rate");
  QCOMPARE(sample_rate->selectedText(), QString("256"));
  dialog.SetDatasetFolder("/data/other study");  // as Browse does with the chosen folder
  QCOMPARE(dialog.settings()[ExportField::kBidsRoot], std::string("/data/other study"));
}

void FrmFleWindowTest::OpenOutputFolderShowsAnInstalledCopysDocumentsFolder() {
  QTemporaryDir documents;
  desktop_.installed = true;
  desktop_.documents_folder = PathFromQt(documents.path());
  window_ = std::make_unique<FrmFleWindow>(desktop_);
  Control<QAction>("mnufolder")->trigger();
  const std::filesystem::path output = PathFromQt(documents.filePath("Velbrix"));
  QVERIFY(std::filesystem::is_directory(output));
  QCOMPARE(desktop_.shown_folders.size(), 1u);
  QCOMPARE(desktop_.shown_folders[0], output / "");
  QVERIFY(desktop_.messages.empty());
}

void FrmFleWindowTest::DesktopKnowsAnInstalledCopyByItsMark() {
  // As `cmake --install` lays it out: bin/velbrix and share/velbrix/installed.
  QTemporaryDir prefix;
  const std::filesystem::path root = PathFromQt(prefix.path());
  std::filesystem::create_directories(root / "bin");
  QVERIFY(!HasInstallMark(root / "bin"));
  std::filesystem::create_directories(root / "share" / "velbrix");
  WriteBytes(root / "share" / "velbrix" / "installed", "mark");
  QVERIFY(HasInstallMark(root / "bin"));
  QVERIFY(!HasInstallMark(root));
  QVERIFY(!QtDesktop().IsInstalledCopy());  // the build's own program folder
}

}  // namespace velbrix

QTEST_MAIN(velbrix::FrmFleWindowTest)
#include "frm_fle_window_test.moc"
