#pragma once
// Radio buttons that act as one radio group for the keyboard and for assistive technology:
//  - the group is one stop of the Tab key: the checked button, or the first usable one when none
//    is checked;
//  - the arrow keys go to the previous or next usable button (round the end) and click it, so its
//    click handling runs once, as for a mouse click;
//  - every radio button is reported with the radio-button role, also one whose exclusivity the
//    program keeps itself (Qt reports such a button as a check box).
// Which button is checked stays the owner's business: these keys only click.
#include <QObject>
#include <QPointer>
#include <vector>

class QAbstractButton;

class TRadioKeys : public QObject {
  Q_OBJECT
 public:
  explicit TRadioKeys(QObject* parent);

  // The buttons of the group, in arrow order; they stay owned by their parent widgets.
  void setButtons(const std::vector<QAbstractButton*>& buttons);
  // Moves the Tab stop to the checked button; runs by itself on every toggle the buttons signal,
  // so only an owner that checks or unchecks them quietly calls it.
  void updateTabStop();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void step(QAbstractButton* from, int direction);

  std::vector<QPointer<QAbstractButton>> buttons_;
};
