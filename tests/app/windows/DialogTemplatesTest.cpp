// The dialog templates: every control the commands address exists with the
// right kind, the captions are the program's own texts, and the layouts are
// sound (inside the dialog, no overlaps, group boxes around their contents).
#include "windows/DialogTemplates.h"
#include "windows/WindowServices.h"

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
  for (int id : {101, 102, 103, 104, 105, 107}) {
    const DialogTemplate* t = findDialogTemplate(id);
    ASSERT_NE(t, nullptr) << id;
    EXPECT_EQ(t->id, id);
  }
  for (int id : {0, -1, 100, 106, 108}) EXPECT_EQ(findDialogTemplate(id), nullptr) << id;
  EXPECT_EQ(findDialogTemplate(101)->control(noControlId), nullptr);
  EXPECT_EQ(findDialogTemplate(101)->control(1005), nullptr);
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
  const DialogTemplate& t = *findDialogTemplate(101);
  EXPECT_EQ(t.title, "Dialog");
  EXPECT_EQ(t.width, 204);
  EXPECT_EQ(t.height, 106);
  EXPECT_EQ(t.fontFace, "Arial");
  EXPECT_EQ(t.fontPoints, 12);
  const DialogControl& exactness = *t.control(1000);
  EXPECT_EQ(exactness.x, 111);
  EXPECT_EQ(exactness.y, 23);
  EXPECT_EQ(exactness.width, 83);
  EXPECT_EQ(exactness.height, 13);
  EXPECT_EQ(t.controls[0].kind, ControlKind::centredStatic);
  EXPECT_EQ(t.controls[0].text, "Tallyfold");
  const int group = t.control(1001)->radioGroup;
  EXPECT_EQ(t.control(1002)->radioGroup, group);
  EXPECT_EQ(t.control(1003)->radioGroup, group);
  EXPECT_EQ(t.control(1004)->kind, ControlKind::edit);
}

struct Expected {
  int dialog;
  int control;
  ControlKind kind;
  const char* text;  // nullptr: not checked (edits start empty)
};

// What the commands address, with the captions the user reads.
const Expected expectedControls[] = {
    {102, 1005, ControlKind::radio, "NPMLE"},
    {102, 1006, ControlKind::radio, "BIC"},
    {102, 1007, ControlKind::radio, "MAX"},
    {102, 1008, ControlKind::edit, ""},
    {102, 1009, ControlKind::radio, "Nonprametric Simulation from Dataset"},
    {102, 1010, ControlKind::radio, "Parametric Simulation"},
    {102, 1012, ControlKind::listBox, nullptr},
    {102, 1013, ControlKind::pushButton, "Change Distribution"},
    {102, 1024, ControlKind::pushButton, "Result Distribution"},
    {102, 1014, ControlKind::edit, ""},
    {102, 1015, ControlKind::edit, ""},
    {102, 1016, ControlKind::edit, ""},
    {102, 1025, ControlKind::edit, ""},
    {102, 1026, ControlKind::checkBox, "Print out Interim Result "},
    {102, 1027, ControlKind::checkBox, "Print out Sim Samples"},
    {102, 1029, ControlKind::checkBox, "Evaluate per Bootsrap"},
    {102, 1030, ControlKind::edit, ""},
    {103, 1017, ControlKind::edit, ""},
    {104, 1023, ControlKind::staticText, ""},
    {104, 1019, ControlKind::edit, ""},
    {104, 1020, ControlKind::edit, ""},
    {105, 1005, ControlKind::radio, "NPMLE"},
    {105, 1006, ControlKind::radio, "BIC"},
    {105, 1007, ControlKind::radio, "MAX"},
    {105, 1008, ControlKind::edit, ""},
    {105, 1014, ControlKind::edit, ""},
    {105, 1026, ControlKind::checkBox, "Print out Interim Result "},
    {105, 1027, ControlKind::checkBox, "Print out Sim Samples"},
    {107, 1032, ControlKind::edit, ""},
    {107, 1033, ControlKind::edit, ""},
    {107, 1015, ControlKind::edit, ""},
    {107, 1014, ControlKind::edit, ""},
    {107, 1025, ControlKind::edit, ""},
    {107, 1026, ControlKind::checkBox, "Print out Interim Result "},
    {107, 1027, ControlKind::checkBox, "Print out Sim Samples"},
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
  const DialogTemplate& simulation = *findDialogTemplate(102);
  EXPECT_NE(simulation.control(1005)->radioGroup, simulation.control(1009)->radioGroup);
}

std::set<std::string> textsOf(int dialog, ControlKind kind) {
  std::set<std::string> out;
  for (const DialogControl& c : findDialogTemplate(dialog)->controls)
    if (c.kind == kind) out.emplace(c.text);
  return out;
}

TEST(DialogTemplatesTest, TitlesHeadingsGroupsAndLabels) {
  EXPECT_EQ(findDialogTemplate(102)->title, "Simulation Study");
  EXPECT_EQ(findDialogTemplate(105)->title, "Bootstrap ");
  EXPECT_EQ(findDialogTemplate(107)->title, "Simulation");
  EXPECT_EQ(textsOf(102, ControlKind::centredStatic), std::set<std::string>{"Simulation Study"});
  EXPECT_EQ(textsOf(107, ControlKind::centredStatic),
            std::set<std::string>{"Simulation tool with Poisson-Gamma distribution"});
  EXPECT_EQ(textsOf(102, ControlKind::groupBox),
            (std::set<std::string>{"Stop Criteria", "Simulation Type", "Simulation Settings", "Output"}));
  EXPECT_EQ(textsOf(105, ControlKind::groupBox), (std::set<std::string>{"Stop Criteria", "Output"}));
  EXPECT_EQ(textsOf(107, ControlKind::groupBox), (std::set<std::string>{"Settings", "Output"}));
  EXPECT_EQ(textsOf(102, ControlKind::staticText),
            (std::set<std::string>{"Number of Replications", "Population Size", "Exactness of Computation:",
                                   "Number of Counts", "Number of Bootstrap Replications",
                                   "Component          Lambda         Weight"}));
  EXPECT_EQ(textsOf(103, ControlKind::staticText), std::set<std::string>{"Number of Components"});
  EXPECT_EQ(textsOf(104, ControlKind::staticText), (std::set<std::string>{"Set Component ", "", "Lambda:", "Weight"}));
  EXPECT_EQ(textsOf(105, ControlKind::staticText), std::set<std::string>{"Number of Replications"});
  EXPECT_EQ(textsOf(107, ControlKind::staticText),
            (std::set<std::string>{"Alpha:", "Kappa:", "Population Size:", "Number of Replications:",
                                   "Number of Counts:"}));
}

}  // namespace
}  // namespace tallyfold
