// Dialogs built from the templates: controls by id at their places, radio
// groups, buttons with and without actions, and dialogs run for a worker.
#include "qt/QtDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "QtTestSupport.h"
#include "qt/QtFonts.h"
#include "qt/QtWindowServices.h"
#include "windows/DialogIds.h"

namespace tallyfold {
namespace {

class QtDialogTest : public ::testing::Test {
 protected:
  std::unique_ptr<QtDialog> load(int id) {
    std::unique_ptr<Dialog> dialog = services.loadDialog(id);
    return std::unique_ptr<QtDialog>(static_cast<QtDialog*>(dialog.release()));
  }
  QtWindowServices services;
};

QAbstractButton* button(QtDialog& d, int id) { return qobject_cast<QAbstractButton*>(d.control(id)); }

TEST_F(QtDialogTest, CalculationDialogFromItsTemplate) {
  std::unique_ptr<QtDialog> d = load(dialogCalculation);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->templateId(), dialogCalculation);
  EXPECT_EQ(d->widget()->windowTitle(), "Dialog");
  EXPECT_EQ(QFontInfo(d->widget()->font()).family(), "Liberation Sans");

  const DialogUnits units = dialogUnits(dialogFont("Arial", 12));
  // Arial at 12 points: about 9 pixels of average width, 18 of height.
  EXPECT_NEAR(units.baseX, 9.0, 1.0);
  EXPECT_NEAR(units.baseY, 18.0, 1.5);
  EXPECT_EQ(d->widget()->size(), units.toPixels(0, 0, 204, 106).size());

  auto* exactness = qobject_cast<QLineEdit*>(d->control(idCalcExactness));
  ASSERT_NE(exactness, nullptr);
  EXPECT_EQ(exactness->geometry(), units.toPixels(111, 23, 83, 13));
  EXPECT_EQ(exactness->geometry(), QRect(qRound(111 * units.baseX / 4), qRound(23 * units.baseY / 8),
                                         qRound(83 * units.baseX / 4), qRound(13 * units.baseY / 8)));
  for (int id : {idCalcNpmle, idCalcBic, idCalcMax}) {
    EXPECT_NE(qobject_cast<QRadioButton*>(d->control(id)), nullptr) << id;
  }
  EXPECT_NE(qobject_cast<QLineEdit*>(d->control(idCalcMaxComponents)), nullptr);
  auto* ok = qobject_cast<QPushButton*>(d->control(idOk));
  ASSERT_NE(ok, nullptr);
  EXPECT_TRUE(ok->isDefault());
  EXPECT_FALSE(qobject_cast<QPushButton*>(d->control(idCancel))->isDefault());
  EXPECT_EQ(d->control(idNpmle), nullptr);

  d->setText(idCalcExactness, "0.00000010000");
  d->setInteger(idCalcMaxComponents, 2);
  EXPECT_EQ(d->text(idCalcExactness), "0.00000010000");
  EXPECT_EQ(exactness->text(), "0.00000010000");
  EXPECT_EQ(d->text(idCalcMaxComponents), "2");
  EXPECT_EQ(d->text(9999), "");  // unknown control: empty, no crash
}

TEST_F(QtDialogTest, RadioButtonsAreExclusiveWithinTheirGroup) {
  std::unique_ptr<QtDialog> d = load(dialogSimulation);
  ASSERT_NE(d, nullptr);
  d->setChecked(idNpmle, true);
  d->setChecked(idMax, true);
  EXPECT_FALSE(d->checked(idNpmle));
  EXPECT_TRUE(d->checked(idMax));
  d->setChecked(idParametric, true);  // the simulation type is a choice of its own
  EXPECT_TRUE(d->checked(idMax));
  EXPECT_TRUE(d->checked(idParametric));
  // Clicking, as the user does.
  button(*d, idBic)->click();
  EXPECT_TRUE(d->checked(idBic));
  EXPECT_FALSE(d->checked(idMax));
  // The program may switch a radio button off.
  d->setChecked(idBic, false);
  EXPECT_FALSE(d->checked(idNpmle) || d->checked(idBic) || d->checked(idMax));
  d->setChecked(idPrintInterim, true);
  d->setChecked(idPrintSamples, false);
  EXPECT_TRUE(d->checked(idPrintInterim));
  EXPECT_FALSE(d->checked(idPrintSamples));

  d->setListCount(idDistribution, 2);
  d->setListEntry(idDistribution, 1, "    1      2.00      0.5000");
  d->setListEntry(idDistribution, 3, "    3");
  auto* list = qobject_cast<QListWidget*>(d->control(idDistribution));
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text(), "    1      2.00      0.5000");
  d->setListCount(idDistribution, 1);
  EXPECT_EQ(list->count(), 1);
}

TEST_F(QtDialogTest, ActionRunsOnOkAndClosesTheDialog) {
  std::unique_ptr<QtDialog> d = load(dialogCalculation);
  std::string read;
  int calls = 0;
  d->setAction(idOk, [&](Dialog& dialog) {
    ++calls;
    read = dialog.text(idCalcExactness);
    if (read == "bad") return;  // stays open, as after an error message
    dialog.exit(idOk);
  });
  whenModalShown([&](QWidget*) {
    qobject_cast<QLineEdit*>(d->control(idCalcExactness))->setText("bad");
    button(*d, idOk)->click();
    EXPECT_TRUE(d->widget()->isVisible());
    qobject_cast<QLineEdit*>(d->control(idCalcExactness))->setText("1e-5");
    button(*d, idOk)->click();
  });
  EXPECT_EQ(d->run(), idOk);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(read, "1e-5");
}

// An action's error message comes over the dialog, which stays open.
TEST_F(QtDialogTest, MessageOfAnActionIsShownOverTheDialog) {
  std::unique_ptr<QtDialog> d = load(dialogPoissonGamma);
  d->setAction(idOk, [&](Dialog&) { services.messageBox("Error occur by Population Size!", "Error"); });
  QWidget* boxParent = nullptr;
  bool dialogStillShown = false;
  whenModalShown([&](QWidget*) {
    whenModalShown([](QWidget* modal) { return qobject_cast<QMessageBox*>(modal) != nullptr; },
                   [&](QWidget* box) {
                     boxParent = box->parentWidget();
                     qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
                   });
    button(*d, idOk)->click();  // returns once the message is answered
    dialogStillShown = d->widget()->isVisible();
    button(*d, idCancel)->click();
  });
  EXPECT_EQ(d->run(), idCancel);
  EXPECT_EQ(boxParent, d->widget());
  EXPECT_TRUE(dialogStillShown);
}

TEST_F(QtDialogTest, ButtonsWithoutActionCloseWithTheirId) {
  std::unique_ptr<QtDialog> d = load(dialogSimulation);
  whenModalShown([&](QWidget*) { button(*d, idChangeDistribution)->click(); });
  EXPECT_EQ(d->run(), idChangeDistribution);
  whenModalShown([&](QWidget*) { button(*d, idCancel)->click(); });
  EXPECT_EQ(d->run(), idCancel);
  // Escape ends the dialog as Cancel does.
  whenModalShown([](QWidget* modal) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(modal, &escape);
  });
  EXPECT_EQ(d->run(), idCancel);
}

TEST_F(QtDialogTest, UnknownTemplateLoadsNothing) { EXPECT_EQ(services.loadDialog(106), nullptr); }

// A worker may use a dialog too: it waits while the user answers it on the
// interface thread.
TEST_F(QtDialogTest, DialogRunForAWorker) {
  std::atomic<int> result{0};
  std::string typed;
  std::atomic<bool> finished{false};
  whenModalShown([](QWidget* modal) {
    modal->findChild<QLineEdit*>()->setText("3");
    for (auto* b : modal->findChildren<QPushButton*>())
      if (b->text() == "OK") b->click();
  });
  std::thread worker([&] {
    std::unique_ptr<Dialog> d = services.loadDialog(dialogComponentCount);
    d->setText(idComponentCount, "");
    result = d->run();
    typed = d->text(idComponentCount);
    finished = true;
  });
  EXPECT_TRUE(processEventsUntil([&] { return finished.load(); }));
  worker.join();
  QApplication::processEvents();
  EXPECT_EQ(result, idOk);
  EXPECT_EQ(typed, "3");
}

// Every caption fits its control in the dialog's font.
TEST_F(QtDialogTest, CaptionsFitTheirControls) {
  for (const DialogTemplate& t : dialogTemplates()) {
    std::unique_ptr<QtDialog> d = load(t.id);
    const QFontMetrics metrics(d->widget()->font());
    const DialogUnits units = dialogUnits(d->widget()->font());
    for (const DialogControl& c : t.controls) {
      if (c.kind == ControlKind::edit || c.kind == ControlKind::listBox || c.text.empty()) continue;
      const QString text = QString::fromUtf8(c.text.data(), static_cast<qsizetype>(c.text.size()));
      int needed = metrics.horizontalAdvance(text.trimmed());
      if (c.kind == ControlKind::radio || c.kind == ControlKind::checkBox) needed += metrics.height() + 6;
      if (isButton(c.kind)) needed += 8;
      EXPECT_LE(needed, units.toPixelsX(c.width)) << "dialog " << t.id << ": \"" << c.text << "\"";
      EXPECT_LE(metrics.height(), units.toPixelsY(c.height) + 2) << "dialog " << t.id << ": \"" << c.text << "\"";
    }
  }
}

}  // namespace
}  // namespace tallyfold
