// The Import Events and Detect Events dialogs driven through their controls and keys.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/base/channel_table.h"
#include "core/testing/test_support.h"
#include "window/qt/detect_events_dialog.h"
#include "window/qt/import_events_dialog.h"

namespace velbrix {

class EventsDialogsTest : public QObject {
  Q_OBJECT

 private:
  template <typename T>
  static T* Find(QDialog& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(name);
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
  }
  static QString Message(QDialog& dialog) { return Find<QLabel>(dialog, "message")->text(); }

  testing::TempDir dir_;

 private slots:
  void ImportALabsTableByKeys() {
    testing::WriteFile(dir_ / "lab.csv", "when,what\n10,go\n20,stop\n");
    ImportEventsDialog dialog({dir_ / "rec.eeg", 100, std::nullopt, "."});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.ChooseFile(dir_ / "lab.csv");
    QTest::keyClick(&dialog, Qt::Key_L, Qt::AltModifier);  // A lab's table
    QTRY_VERIFY(Find<QRadioButton>(dialog, "lab")->isChecked());  // a button's key clicks later
    QTest::keyClick(&dialog, Qt::Key_R, Qt::AltModifier);  // Records
    QTRY_VERIFY(Find<QRadioButton>(dialog, "records")->isChecked());
    QTest::keyClick(&dialog, Qt::Key_E, Qt::AltModifier);  // Label column
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(Find<QComboBox>(dialog, "label")->currentText(), QString("what"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY2(dialog.result().has_value(), qPrintable(Message(dialog)));
    QCOMPARE(dialog.result()->size(), std::size_t{2});
    QCOMPARE(dialog.result()->at(1), (Event{20, 0, "stop"}));
    QVERIFY(!dialog.isVisible());
  }

  void ABadTableStaysOpenWithItsLines() {
    testing::WriteFile(dir_ / "bad.tsv", "onset\tduration\n1\t0\nx\t0\n");
    ImportEventsDialog dialog({dir_ / "rec.eeg", 1000, Hertz{"100", 100}, "."});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.ChooseFile(dir_ / "bad.tsv");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QVERIFY2(Message(dialog).contains("line 3"), qPrintable(Message(dialog)));
    QVERIFY(!dialog.result());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.result());
  }

  void DetectReviewAndAdd() {
    // Fz (position 10) crosses 50 uV upwards at records 1, 5 and 7.
    const std::vector<std::uint8_t> fz = {127, 141, 141, 127, 127, 150, 100, 141, 255, 0};
    std::string bytes = testing::MakeRecording(fz.size() * kRecordSize);
    for (std::size_t i = 0; i < fz.size(); ++i) {
      bytes[i * kRecordSize + 9] = static_cast<char>(fz[i]);
    }
    testing::WriteFile(dir_ / "rec.eeg", bytes);
    std::vector<std::string> channels;
    for (const Channel& c : ChTable) channels.emplace_back(c.name);
    DetectEventsDialog dialog({dir_ / "rec.eeg", 10, std::nullopt, "."}, channels);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    Find<QComboBox>(dialog, "channel")->setCurrentIndex(9);
    QTest::keyClick(&dialog, Qt::Key_L, Qt::AltModifier);
    QTest::keyClicks(QApplication::focusWidget(), "50");
    QTest::keyClick(&dialog, Qt::Key_B, Qt::AltModifier);
    QTest::keyClicks(QApplication::focusWidget(), "up");
    QTest::keyClick(&dialog, Qt::Key_D, Qt::AltModifier);  // Detect
    auto* found = Find<QListWidget>(dialog, "found");
    QTRY_COMPARE(found->count(), 3);
    QCOMPARE(found->item(1)->text(), QString("record 5: up"));
    found->setCurrentRow(1);
    QTest::keyClick(found, Qt::Key_Space);  // untick the second
    QTest::keyClick(found, Qt::Key_Return);  // Add
    QVERIFY2(dialog.result().has_value(), qPrintable(Message(dialog)));
    QCOMPARE(*dialog.result(), (std::vector<Event>{{1, 0, "up"}, {7, 0, "up"}}));
  }

  void CancelReturnsNothing() {
    DetectEventsDialog dialog({dir_ / "rec.eeg", 10, std::nullopt, "."}, {"FP2", "DC1"});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(Find<QComboBox>(dialog, "channel")->currentText(), QString("DC1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!dialog.result());
  }
};

}  // namespace velbrix

QTEST_MAIN(velbrix::EventsDialogsTest)
#include "events_dialogs_test.moc"
