#pragma once
// The dialog templates of the program: for each dialog its id, title, size
// and font, and the controls with their ids, kinds, texts and positions.
// Sizes and positions are in dialog units: a horizontal unit is a quarter of
// the dialog font's average character width, a vertical unit an eighth of
// its character height. The window layer turns a template into a dialog;
// the recording layer of the tests uses the same table to know which
// controls exist.
#include <span>
#include <string_view>

namespace tallyfold {

enum class ControlKind {
  staticText,         // left-aligned text
  centredStatic,      // centred text
  edit,               // one-line edit field
  radio,              // radio button, exclusive within its group
  checkBox,
  pushButton,
  defaultPushButton,  // pressed by Enter
  groupBox,           // a frame with a caption around other controls
  listBox,
};

// Id of the static texts and group boxes that are never addressed.
inline constexpr int noControlId = -1;

struct DialogControl {
  int id;  // noControlId for a static text or group box nobody addresses
  ControlKind kind;
  std::string_view text;
  int x;
  int y;
  int width;
  int height;
  int radioGroup = 0;  // radio buttons: the exclusive group (1, 2, …); 0 for other kinds
};

struct DialogTemplate {
  int id;
  std::string_view title;
  int width;   // dialog units
  int height;  // dialog units
  std::string_view fontFace;
  int fontPoints;
  std::span<const DialogControl> controls;

  // The control with this id, or nullptr (also for noControlId).
  const DialogControl* control(int controlId) const;
};

// The template with this id, or nullptr when there is none.
const DialogTemplate* findDialogTemplate(int id);

// Every template, in increasing id order.
std::span<const DialogTemplate> dialogTemplates();

bool isButton(ControlKind kind);

}  // namespace tallyfold
