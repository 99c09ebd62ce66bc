// The dialog templates: every control the commands address exists with the
// right kind, the captions are the program's own texts, and the layouts are
// sound (inside the dialog, no overlaps, group boxes around their contents).
#include "windows/DialogTemplates.h"
#include "windows/WindowServices.h"
#include "windows/DialogIds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace tallyfold {
namespace {

struct Rect {
  int x1, y1, x2, y2;
};
Rect rectOf(const DialogControl& c) { return {c.x, c.y, c.x + c.width, c.y + c.height}; }
bool overlaps(const Rect& a, const Rect& b) { return a.x1 < b.x2 && b.x1 < a.x2 && a.y1 < b.y2 && b.y1 < a.y2; }
bool inside(const Rect& inner, const Rect& outer) {
  return inner.x1 >= outer.x1 && inner.y1 >= outer.y1 && inner.x2 <= outer.x2 && inner.y2 <= outer.y2;
}

TEST(DialogTemplatesTest, LookUp) {
  for (int id : {dialogCalculation, dialogSimulation, dialogComponentCount, dialogComponent, dialogBootstrap,
                 dialogPoissonGamma}) {
    const DialogTemplate* t = findDialogTemplate(id);
    ASSERT_NE(t, nullptr) << id;
    EXPECT_EQ(t->id, id);
  }
  for (int id : {0, -1, 100, 106, 108}) EXPECT_EQ(findDialogTemplate(id), nullptr) << id;
  EXPECT_EQ(findDialogTemplate(dialogCalculation)->control(noControlId), nullptr);
  EXPECT_EQ(findDialogTemplate(dialogCalculation)->control(idNpmle), nullptr);
}

TEST(DialogTemplatesTest, EveryLayoutIsSound) {
  for (const DialogTemplate& t : dialogTemplates()) {
    SCOPED_TRACE("dialog " + std::to_string(t.id));
    std::set<int> ids;
    int defaults = 0;
    std::vector<const DialogControl*> groups;
    for (const DialogControl& c : t.controls) {
      if (c.id != noControlId) {
        EXPECT_TRUE(ids.insert(c.id).second) << "id " << c.id << " twice";
      }
      EXPECT_GT(c.width, 0);
      EXPECT_GT(c.height, 0);
      EXPECT_TRUE(inside(rectOf(c), Rect{0, 0, t.width, t.height})) << c.text << " " << c.id;
      EXPECT_EQ(c.radioGroup > 0, c.kind == ControlKind::radio) << c.id;
      if (c.kind == ControlKind::defaultPushButton) ++defaults;
      if (c.kind == ControlKind::groupBox) groups.push_back(&c);
    }
    EXPECT_EQ(defaults, 1);
    ASSERT_NE(t.control(idOk), nullptr);
    EXPECT_EQ(t.control(idOk)->kind, ControlKind::defaultPushButton);
    EXPECT_EQ(t.control(idOk)->text, "OK");
    ASSERT_NE(t.control(idCancel), nullptr);
    EXPECT_EQ(t.control(idCancel)->text, "Cancel");

    // Controls other than group boxes never overlap; a group box holds a
    // control wholly or not at all.
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
      const DialogControl& a = t.controls[i];
      for (std::size_t j = i + 1; j < t.controls.size(); ++j) {
        const DialogControl& b = t.controls[j];
        const bool aGroup = a.kind == ControlKind::groupBox;
        const bool bGroup = b.kind == ControlKind::groupBox;
        if (!overlaps(rectOf(a), rectOf(b))) continue;
        if (aGroup && !bGroup) {
          EXPECT_TRUE(inside(rectOf(b), rectOf(a))) << b.text << " " << b.id << " straddles " << a.text;
        } else if (bGroup && !aGroup) {
          EXPECT_TRUE(inside(rectOf(a), rectOf(b))) << a.text << " " << a.id << " straddles " << b.text;
        } else {
          ADD_FAILURE() << "\"" << a.text << "\" (" << a.id << ") overlaps \"" << b.text << "\" (" << b.id << ")";
        }
      }
    }
    // Every radio group has a choice to make, and all its buttons sit in the
    // same group box.
    std::set<int> radioGroups;
    for (const DialogControl& c : t.controls)
      if (c.kind == ControlKind::radio) radioGroups.insert(c.radioGroup);
    for (int group : radioGroups) {
      int members = 0;
      std::set<const DialogControl*> frames;
      for (const DialogControl& c : t.controls) {
        if (c.radioGroup != group) continue;
        ++members;
        const DialogControl* frame = nullptr;
        for (const DialogControl* g : groups)
          if (inside(rectOf(c), rectOf(*g))) frame = g;
        frames.insert(frame);
      }
      EXPECT_GE(members, 2) << "radio group " << group;
      EXPECT_EQ(frames.size(), 1u) << "radio group " << group << " spread over group boxes";
    }
  }
}

TEST(DialogTemplatesTest, CalculationDialogLayout) {
  const DialogTemplate& t = *findDialogTemplate(dialogCalculation);
  EXPECT_EQ(t.title, "Dialog");
  EXPECT_EQ(t.width, 204);
  EXPECT_EQ(t.height, 106);
  EXPECT_EQ(t.fontFace, "Arial");
  EXPECT_EQ(t.fontPoints, 12);
  const DialogControl& exactness = *t.control(idCalcExactness);
  EXPECT_EQ(exactness.x, 111);
  EXPECT_EQ(exactness.y, 23);
  EXPECT_EQ(exactness.width, 83);
  EXPECT_EQ(exactness.height, 13);
  EXPECT_EQ(t.controls[0].kind, ControlKind::centredStatic);
  EXPECT_EQ(t.controls[0].text, "Tallyfold");
  const int group = t.control(idCalcNpmle)->radioGroup;
  EXPECT_EQ(t.control(idCalcBic)->radioGroup, group);
  EXPECT_EQ(t.control(idCalcMax)->radioGroup, group);
  EXPECT_EQ(t.control(idCalcMaxComponents)->kind, ControlKind::edit);
}

struct Expected {
  int dialog;
  int control;
  ControlKind kind;
  const char* text;  // nullptr: not checked (edits start empty)
};

// What the commands address, with the captions the user reads.
const Expected expectedControls[] = {
    {dialogSimulation, idNpmle, ControlKind::radio, "NPMLE"},
    {dialogSimulation, idBic, ControlKind::radio, "BIC"},
    {dialogSimulation, idMax, ControlKind::radio, "MAX"},
    {dialogSimulation, idMaxComponents, ControlKind::edit, ""},
    {dialogSimulation, idFromDataset, ControlKind::radio, "Nonprametric Simulation from Dataset"},
    {dialogSimulation, idParametric, ControlKind::radio, "Parametric Simulation"},
    {dialogSimulation, idDistribution, ControlKind::listBox, nullptr},
    {dialogSimulation, idChangeDistribution, ControlKind::pushButton, "Change Distribution"},
    {dialogSimulation, idResultDistribution, ControlKind::pushButton, "Result Distribution"},
    {dialogSimulation, idReplications, ControlKind::edit, ""},
    {dialogSimulation, idPopulationSize, ControlKind::edit, ""},
    {dialogSimulation, idExactness, ControlKind::edit, ""},
    {dialogSimulation, idNumCounts, ControlKind::edit, ""},
    {dialogSimulation, idPrintInterim, ControlKind::checkBox, "Print out Interim Result "},
    {dialogSimulation, idPrintSamples, ControlKind::checkBox, "Print out Sim Samples"},
    {dialogSimulation, idEvaluate, ControlKind::checkBox, "Evaluate per Bootsrap"},
    {dialogSimulation, idBootReplications, ControlKind::edit, ""},
    {dialogComponentCount, idComponentCount, ControlKind::edit, ""},
    {dialogComponent, idComponentNumber, ControlKind::staticText, ""},
    {dialogComponent, idLambda, ControlKind::edit, ""},
    {dialogComponent, idWeight, ControlKind::edit, ""},
    {dialogBootstrap, idNpmle, ControlKind::radio, "NPMLE"},
    {dialogBootstrap, idBic, ControlKind::radio, "BIC"},
    {dialogBootstrap, idMax, ControlKind::radio, "MAX"},
    {dialogBootstrap, idMaxComponents, ControlKind::edit, ""},
    {dialogBootstrap, idReplications, ControlKind::edit, ""},
    {dialogBootstrap, idPrintInterim, ControlKind::checkBox, "Print out Interim Result "},
    {dialogBootstrap, idPrintSamples, ControlKind::checkBox, "Print out Sim Samples"},
    {dialogPoissonGamma, idAlpha, ControlKind::edit, ""},
    {dialogPoissonGamma, idKappa, ControlKind::edit, ""},
    {dialogPoissonGamma, idPopulationSize, ControlKind::edit, ""},
    {dialogPoissonGamma, idReplications, ControlKind::edit, ""},
    {dialogPoissonGamma, idNumCounts, ControlKind::edit, ""},
    {dialogPoissonGamma, idPrintInterim, ControlKind::checkBox, "Print out Interim Result "},
    {dialogPoissonGamma, idPrintSamples, ControlKind::checkBox, "Print out Sim Samples"},
};

TEST(DialogTemplatesTest, ControlsTheCommandsAddress) {
  for (const Expected& e : expectedControls) {
    SCOPED_TRACE("dialog " + std::to_string(e.dialog) + " control " + std::to_string(e.control));
    const DialogControl* c = findDialogTemplate(e.dialog)->control(e.control);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, e.kind);
    if (e.text) {
      EXPECT_EQ(c->text, e.text);
    }
  }
  // The stop criterion and the simulation type are two separate choices.
  const DialogTemplate& simulation = *findDialogTemplate(dialogSimulation);
  EXPECT_NE(simulation.control(idNpmle)->radioGroup, simulation.control(idFromDataset)->radioGroup);
}

std::set<std::string> textsOf(int dialog, ControlKind kind) {
  std::set<std::string> out;
  for (const DialogControl& c : findDialogTemplate(dialog)->controls)
    if (c.kind == kind) out.emplace(c.text);
  return out;
}

TEST(DialogTemplatesTest, TitlesHeadingsGroupsAndLabels) {
  EXPECT_EQ(findDialogTemplate(dialogSimulation)->title, "Simulation Study");
  EXPECT_EQ(findDialogTemplate(dialogBootstrap)->title, "Bootstrap ");
  EXPECT_EQ(findDialogTemplate(dialogPoissonGamma)->title, "Simulation");
  EXPECT_EQ(textsOf(dialogSimulation, ControlKind::centredStatic), std::set<std::string>{"Simulation Study"});
  EXPECT_EQ(textsOf(dialogPoissonGamma, ControlKind::centredStatic),
            std::set<std::string>{"Simulation tool with Poisson-Gamma distribution"});
  EXPECT_EQ(textsOf(dialogSimulation, ControlKind::groupBox),
            (std::set<std::string>{"Stop Criteria", "Simulation Type", "Simulation Settings", "Output"}));
  EXPECT_EQ(textsOf(dialogBootstrap, ControlKind::groupBox), (std::set<std::string>{"Stop Criteria", "Output"}));
  EXPECT_EQ(textsOf(dialogPoissonGamma, ControlKind::groupBox), (std::set<std::string>{"Settings", "Output"}));
  EXPECT_EQ(textsOf(dialogSimulation, ControlKind::staticText),
            (std::set<std::string>{"Number of Replications", "Population Size", "Exactness of Computation:",
                                   "Number of Counts", "Number of Bootstrap Replications",
                                   "Component          Lambda         Weight"}));
  EXPECT_EQ(textsOf(dialogComponentCount, ControlKind::staticText), std::set<std::string>{"Number of Components"});
  EXPECT_EQ(textsOf(dialogComponent, ControlKind::staticText),
            (std::set<std::string>{"Set Component ", "", "Lambda:", "Weight"}));
  EXPECT_EQ(textsOf(dialogBootstrap, ControlKind::staticText), std::set<std::string>{"Number of Replications"});
  EXPECT_EQ(textsOf(dialogPoissonGamma, ControlKind::staticText),
            (std::set<std::string>{"Alpha:", "Kappa:", "Population Size:", "Number of Replications:",
                                   "Number of Counts:"}));
}

}  // namespace
}  // namespace tallyfold
