#pragma once
// A captioned group of radio buttons with one selected item index, as the window's Language
// and RelayMode choices need it: a selection changed by the program runs the click handling
// just as a user's click does. For the keyboard the group is one Tab stop whose arrow keys
// choose the item (TRadioKeys).
#include <QGroupBox>
#include <QStringList>
#include <vector>

class QRadioButton;
class TRadioKeys;

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(const QString& name, const QString& caption, const QStringList& items, QWidget* parent);

  // Selected item, -1 when none.
  int ItemIndex() const { return index_; }
  // Selects an item; beyond the last selects the last, below -1 selects nothing. A changed
  // selection of an item emits clicked(); selecting nothing emits nothing.
  void setItemIndex(int index);

  QStringList items() const;
  // Replaces all items; afterwards nothing is selected (and nothing is emitted). The item
  // widgets are kept where the count allows, so an item keeps its place in the Tab order and
  // the keyboard focus stays on the item at the same index.
  void setItems(const QStringList& items);
  // The item widgets, in item order.
  const std::vector<QRadioButton*>& buttons() const { return buttons_; }

 signals:
  // An item became selected, by a click or by the program.
  void clicked(int index);
  // The input focus came into the group from outside.
  void entered();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void onToggled(int index, bool checked);
  void onFocusChanged(QWidget* old, QWidget* now);
  void placeButtons();

  std::vector<QRadioButton*> buttons_;
  TRadioKeys* keys_ = nullptr;
  int index_ = -1;
};
