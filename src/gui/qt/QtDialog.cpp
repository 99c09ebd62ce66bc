#include "qt/QtDialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <cstdio>
#include <exception>

#include "qt/GuiThread.h"
#include "qt/QtFonts.h"

namespace tallyfold {

namespace {

QString toQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QWidget* makeControl(const DialogControl& c, QWidget* parent) {
  const QString text = toQString(c.text);
  switch (c.kind) {
    case ControlKind::staticText: {
      auto* label = new QLabel(text, parent);
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      return label;
    }
    case ControlKind::centredStatic: {
      auto* label = new QLabel(text, parent);
      label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
      return label;
    }
    case ControlKind::edit:
      return new QLineEdit(text, parent);
    case ControlKind::radio:
      return new QRadioButton(text, parent);
    case ControlKind::checkBox:
      return new QCheckBox(text, parent);
    case ControlKind::pushButton:
    case ControlKind::defaultPushButton: {
      auto* button = new QPushButton(text, parent);
      button->setDefault(c.kind == ControlKind::defaultPushButton);
      return button;
    }
    case ControlKind::groupBox:
      return new QGroupBox(text, parent);
    case ControlKind::listBox:
      return new QListWidget(parent);
  }
  return new QWidget(parent);
}

}  // namespace

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
  return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}
int DialogUnits::toPixelsX(int units) const { return static_cast<int>(std::lround(units * baseX / 4.0)); }
int DialogUnits::toPixelsY(int units) const { return static_cast<int>(std::lround(units * baseY / 8.0)); }

DialogUnits dialogUnits(const QFont& font) {
  const QFontMetricsF metrics(font);
  const double letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {letters / 52.0, metrics.height()};
}

void DialogWidget::reject() { done(idCancel); }

QtDialog::QtDialog(QObject* context, const DialogTemplate& dialogTemplate, QWidget* parent)
    : context_(context), template_(dialogTemplate), widget_(new DialogWidget(parent)) {
  const QFont font = dialogFont(dialogTemplate.fontFace, dialogTemplate.fontPoints);
  widget_->setFont(font);
  widget_->setWindowTitle(toQString(dialogTemplate.title));
  const DialogUnits units = dialogUnits(font);
  widget_->setFixedSize(units.toPixels(0, 0, dialogTemplate.width, dialogTemplate.height).size());

  for (const DialogControl& c : dialogTemplate.controls) {
    QWidget* w = makeControl(c, widget_);
    w->setGeometry(units.toPixels(c.x, c.y, c.width, c.height));
    if (c.kind == ControlKind::groupBox) w->lower();
    if (c.kind == ControlKind::radio) {
      QButtonGroup*& group = radioGroups_[c.radioGroup];
      if (!group) group = new QButtonGroup(widget_);
      group->addButton(static_cast<QAbstractButton*>(w));
    }
    if (isButton(c.kind)) {
      const int id = c.id;
      QObject::connect(static_cast<QAbstractButton*>(w), &QAbstractButton::clicked, widget_,
                       [this, id] { pressed(id); });
    }
    if (c.id != noControlId) controls_[c.id] = w;
  }
}

QtDialog::~QtDialog() {
  if (gui::onThreadOf(context_)) {
    delete widget_.data();
  } else {
    QPointer<DialogWidget> doomed = widget_;
    QMetaObject::invokeMethod(context_, [doomed] { delete doomed.data(); }, Qt::QueuedConnection);
  }
}

QWidget* QtDialog::control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

QWidget* QtDialog::find(int id, const char* operation) const {
  QWidget* w = control(id);
  if (!w) std::fprintf(stderr, "dialog %d: %s of control %d, which it does not have\n", template_.id, operation, id);
  return w;
}

void QtDialog::setText(int control, std::string_view text) {
  gui::call(context_, [&] {
    QWidget* w = find(control, "setText");
    const QString value = toQString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(w)) label->setText(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(value);
    else if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(value);
  });
}

std::string QtDialog::text(int control) const {
  return gui::call(context_, [&] {
    QWidget* w = find(control, "text");
    QString value;
    if (auto* edit = qobject_cast<QLineEdit*>(w)) value = edit->text();
    else if (auto* label = qobject_cast<QLabel*>(w)) value = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) value = button->text();
    else if (auto* group = qobject_cast<QGroupBox*>(w)) value = group->title();
    else if (auto* list = qobject_cast<QListWidget*>(w)) value = list->currentItem() ? list->currentItem()->text() : QString();
    return value.toStdString();
  });
}

void QtDialog::setChecked(int control, bool on) {
  gui::call(context_, [&] {
    auto* button = qobject_cast<QAbstractButton*>(find(control, "setChecked"));
    if (!button || !button->isCheckable()) return;
    QButtonGroup* group = button->group();
    // An exclusive group refuses to switch its checked button off.
    if (!on && group && group->exclusive()) {
      group->setExclusive(false);
      button->setChecked(false);
      group->setExclusive(true);
    } else {
      button->setChecked(on);
    }
  });
}

bool QtDialog::checked(int control) const {
  return gui::call(context_, [&] {
    auto* button = qobject_cast<QAbstractButton*>(find(control, "checked"));
    return button && button->isCheckable() && button->isChecked();
  });
}

void QtDialog::setInteger(int control, std::int64_t value) { setText(control, std::to_string(value)); }

void QtDialog::setListCount(int control, int count) {
  gui::call(context_, [&] {
    auto* list = qobject_cast<QListWidget*>(find(control, "setListCount"));
    if (!list || count < 0) return;
    while (list->count() > count) delete list->takeItem(list->count() - 1);
    while (list->count() < count) list->addItem(QString());
  });
}

void QtDialog::setListEntry(int control, int index, std::string_view text) {
  gui::call(context_, [&] {
    auto* list = qobject_cast<QListWidget*>(find(control, "setListEntry"));
    if (!list || index < 1) return;
    while (list->count() < index) list->addItem(QString());
    list->item(index - 1)->setText(toQString(text));
  });
}

void QtDialog::setAction(int control, Action action) {
  gui::call(context_, [&] {
    if (find(control, "setAction")) actions_[control] = std::move(action);
  });
}

void QtDialog::exit(int control) {
  gui::call(context_, [&] {
    if (widget_) widget_->done(control);
  });
}

int QtDialog::run() {
  return gui::call(context_, [&] { return widget_ ? widget_->exec() : idCancel; });
}

void QtDialog::pressed(int id) {
  const auto found = actions_.find(id);
  if (found == actions_.end() || !found->second) {
    widget_->done(id);
    return;
  }
  Action action = found->second;  // the action may replace itself
  try {
    action(*this);
  } catch (const std::exception& e) {
    QMessageBox::warning(widget_, QStringLiteral("Error"), QString::fromUtf8(e.what()));
  }
}

}  // namespace tallyfold
