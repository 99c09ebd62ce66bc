// The settings dialogs of the simulation commands refuse what the
// command-line program refuses, with a message box, and stay open; nothing
// of a refused dialog is stored, so it shows the previous settings when it
// opens again.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/GlobalVar.h"
#include "simulation/Boot.h"
#include "simulation/CommandFixture.h"
#include "simulation/RunMemory.h"
#include "simulation/SimPoisonnGamma.h"
#include "simulation/Simu.h"
#include "support/RecordingWindows.h"

namespace tallyfold {
namespace {

// What the user changes before pressing OK (the last change is the refused
// one), and the message it gets.
struct Refusal {
  std::function<void(RecordingDialog&)> enter;
  std::string message;
};

// What a dialog shows: the texts of its edit fields and the states of its
// buttons.
struct Shown {
  std::vector<std::string> texts;
  std::vector<bool> checks;
  bool operator==(const Shown&) const = default;
};

struct DialogFields {
  int templateId;
  void (*start)();
  std::vector<int> edits;
  std::vector<int> buttons;
};

const DialogFields study{102, startSimulation, {1008, 1014, 1015, 1016, 1025, 1030},
                         {1005, 1006, 1007, 1009, 1010, 1026, 1027, 1029}};
const DialogFields bootstrap{105, startBootstrap, {1008, 1014}, {1005, 1006, 1007, 1026, 1027}};
const DialogFields poissonGamma{107, startPoissonGamma, {1014, 1015, 1025, 1032, 1033}, {1026, 1027}};

RecordingWindows::DialogScript set(int control, const char* text) {
  return [control, text](RecordingDialog& d) { d.setText(control, text); };
}
RecordingWindows::DialogScript check(int control, bool on) {
  return [control, on](RecordingDialog& d) { d.setChecked(control, on); };
}
RecordingWindows::DialogScript all(std::vector<RecordingWindows::DialogScript> steps) {
  return [steps](RecordingDialog& d) {
    for (const auto& step : steps) step(d);
  };
}

const std::string maxComponentsRange = "Error occur by Maximum number of components: it must be 1 or more!";

class RefusedSettings : public test::SimulationCommandTest {
 protected:
  RefusedSettings() : SimulationCommandTest("refused", 31) {}

  Shown open(const DialogFields& f, const RecordingWindows::DialogScript& then) {
    Shown shown;
    rec.expectDialog(f.templateId, [&](RecordingDialog& d) {
      for (int id : f.edits) shown.texts.push_back(d.text(id));
      for (int id : f.buttons) shown.checks.push_back(d.checked(id));
      then(d);
      if (d.isOpen()) d.press(idCancel);
    });
    f.start();
    return shown;
  }

  // Each refusal in a dialog of its own: the dialog stays open, the message
  // is the one expected, no run starts, and the dialog opened afterwards
  // shows what it showed before.
  void expectRefused(const DialogFields& f, const std::vector<Refusal>& refusals) {
    const Shown before = open(f, [](RecordingDialog&) {});
    for (const Refusal& r : refusals) {
      const std::size_t boxes = rec.messageBoxes().size();
      open(f, [&r](RecordingDialog& d) {
        r.enter(d);
        d.press(idOk);
        EXPECT_TRUE(d.isOpen()) << r.message;
      });
      ASSERT_EQ(rec.messageBoxes().size(), boxes + 1) << r.message;
      EXPECT_EQ(rec.messageBoxes().back().text, r.message);
      EXPECT_EQ(rec.messageBoxes().back().title, "Error");
      EXPECT_TRUE(open(f, [](RecordingDialog&) {}) == before) << r.message;
    }
    EXPECT_EQ(rec.threadsStarted(), 0);
  }
};

TEST_F(RefusedSettings, TheStudyDialogStoresNothingItRefuses) {
  expectRefused(study,
                {{all({set(1016, "0.001"), set(1008, "5"), set(1030, "7"), set(1014, "3"), check(1005, true),
                       check(1026, false), set(1015, "x")}),
                  "Error occur by Population Size!"},
                 {all({set(1015, "300"), check(1027, true), set(1025, "0")}), "Error occur by Number of Counts!"},
                 {all({set(1014, "3"), set(1030, "-1")}), "Error occur by Number of Bootstrap Replications!"},
                 {all({check(1029, false), set(1030, "-1")}), "Error occur by Number of Bootstrap Replications!"},
                 {all({set(1014, "4"), check(1009, true), check(1010, false)}), "No Data available!"},
                 {set(1008, "0"), maxComponentsRange},
                 {set(1008, "-1"), maxComponentsRange}});
}

TEST_F(RefusedSettings, TheBootstrapDialogStoresNothingItRefuses) {
  loadData({120, 60, 30, 20, 15, 10, 8, 6, 4, 2});
  expectRefused(bootstrap,
                {{all({set(1014, "4"), check(1005, true), check(1027, true), set(1008, "-1")}), maxComponentsRange},
                 {set(1008, "0"), maxComponentsRange},
                 {all({set(1008, "3"), set(1014, "-1")}), "Error occur by Number of Replications!"}});
}

TEST_F(RefusedSettings, ThePoissonGammaDialogStoresNothingItRefuses) {
  expectRefused(poissonGamma,
                {{all({set(1014, "3"), check(1026, true), set(1015, "x")}), "Error occur by Population Size!"},
                 {all({set(1025, "4"), set(1033, "2"), check(1027, true), set(1032, "2")}), "Error occur by Alpha!"},
                 {all({set(1032, "0.3"), set(1014, "0")}), "Error occur by Number of Replications!"}});
}

TEST_F(RefusedSettings, BootstrapReplicationsBeyondTheMemoryAreRefusedBeforeTheRun) {
  if (physicalMemory() == 0) GTEST_SKIP() << "the system does not tell its physical memory";
  loadData({120, 60, 30, 20, 15, 10, 8, 6, 4, 2});
  open(bootstrap, [](RecordingDialog& d) {
    d.setText(1014, "2000000000");
    d.press(idOk);
    EXPECT_TRUE(d.isOpen());
  });
  ASSERT_EQ(rec.messageBoxes().size(), 1u);
  EXPECT_EQ(rec.messageBoxes()[0].text.rfind("Error occur by Number of Replications: ", 0), 0u)
      << rec.messageBoxes()[0].text;
  EXPECT_EQ(rec.threadsStarted(), 0);
  EXPECT_EQ(globalVar().numReplications, 10);
}

}  // namespace
}  // namespace tallyfold
