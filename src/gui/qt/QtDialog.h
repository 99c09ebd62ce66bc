#pragma once
// A dialog of the Qt window layer, built from a dialog template: one widget
// per control at the template's position, radio buttons exclusive per
// group, the default push button pressed by Enter, Escape and the close box
// ending the dialog as Cancel does.
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <map>

#include "windows/DialogTemplates.h"
#include "windows/WindowServices.h"

class QButtonGroup;

namespace tallyfold {

// Dialog units of a font: a horizontal unit is a quarter of its average
// character width (over A–Z and a–z), a vertical unit an eighth of its
// character height.
struct DialogUnits {
  double baseX;
  double baseY;
  QRect toPixels(int x, int y, int width, int height) const;
  int toPixelsX(int units) const;
  int toPixelsY(int units) const;
};
DialogUnits dialogUnits(const QFont& font);

class DialogWidget : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;
  void reject() override;  // Escape and the close box: as Cancel
};

class QtDialog final : public Dialog {
 public:
  // Builds the widgets; on the thread of `context` (the interface thread).
  // Calls from other threads are carried out through `context`.
  QtDialog(QObject* context, const DialogTemplate& dialogTemplate, QWidget* parent);
  ~QtDialog() override;
  QtDialog(const QtDialog&) = delete;
  QtDialog& operator=(const QtDialog&) = delete;

  int templateId() const override { return template_.id; }
  void setText(int control, std::string_view text) override;
  std::string text(int control) const override;
  void setChecked(int control, bool on) override;
  bool checked(int control) const override;
  void setInteger(int control, std::int64_t value) override;
  void setListCount(int control, int count) override;
  void setListEntry(int control, int index, std::string_view text) override;
  void setAction(int control, Action action) override;
  void exit(int control) override;
  int run() override;

  // For tests and the layer itself (interface thread).
  QDialog* widget() const { return widget_; }
  QWidget* control(int id) const;

 private:
  void pressed(int id);
  QWidget* find(int id, const char* operation) const;

  QObject* context_;
  const DialogTemplate& template_;
  QPointer<DialogWidget> widget_;
  std::map<int, QWidget*> controls_;
  std::map<int, QButtonGroup*> radioGroups_;
  std::map<int, Action> actions_;
};

}  // namespace tallyfold
