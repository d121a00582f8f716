// The window as every owner meets it: each caption fits its control with the font this machine
// resolved, the keyboard reaches and operates every control in the designed order, and assistive
// technology hears what a sighted user reads.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "KVX_Setup.h"
#include "TimerPage.h"
#include "radio_group.h"
#include "window_support.h"

namespace {

class WindowAccessTest : public ::testing::Test {
 protected:
  WindowAccessTest() { boxes = recordBoxesOf(form); }

  template <class T>
  T* child(const QString& name) {
    T* found = form.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
  }
  TRadioGroup* language() { return child<TRadioGroup>(QStringLiteral("Language")); }
  // Start-up tick and reply time-out without a clock: the window is usable and in English.
  void startUp() {
    form.TimeoutTimer();
    form.TimeoutTimer();
  }
  void showActive() {
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  }
  // The named control that holds the keyboard focus ("Language2", "SpinEditUTC", "Settings").
  static QString focusName() {
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
      if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
        return w->objectName();
    return {};
  }
  QStringList tabWalk() {
    child<QTabWidget>(QStringLiteral("Settings"))->tabBar()->setFocus(Qt::TabFocusReason);
    QStringList walked{focusName()};
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      if (focusName() == walked.front()) break;
      walked << focusName();
    }
    return walked;
  }
  static QAccessibleInterface* accessible(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
  }

  ScratchFolder folder;
  TForm1 form;
  RecordingBoxes* boxes = nullptr;
};

// --- captions that fit ------------------------------------------------------------------------

// Room the style draws a caption in, against the text's width at the control's font.
struct Misfit {
  QString control, text;
  int needed, room;
};

int widthOf(const QWidget* w, const QString& text) {
  QString shown = text;
  while (shown.endsWith(u' ')) shown.chop(1);  // blanks after the text show nothing
  return w->fontMetrics().size(Qt::TextShowMnemonic, shown).width();
}

void checkFits(QWidget* root, std::vector<Misfit>& misfits) {
  const auto check = [&](const QWidget* w, const QString& text, int room, int height = 0,
                         int roomHeight = 0) {
    if (text.trimmed().isEmpty()) return;
    const int needed = widthOf(w, text);
    if (needed > room || height > roomHeight) misfits.push_back({w->objectName(), text, needed, room});
  };
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(root)) continue;
    QStyle* style = w->style();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      const int m = label->margin();
      const QRect room = label->contentsRect().adjusted(m, m, -m, -m);
      check(label, label->text(), room.width(), label->fontMetrics().height(), room.height());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const bool radio = qobject_cast<QRadioButton*>(button);
      const QRect room = style->subElementRect(
          radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option, button);
      check(button, button->text(), room.width());
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
      QStyleOptionGroupBox option;
      option.initFrom(box);
      option.text = box->title();
      option.textAlignment = box->alignment();
      option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
      option.lineWidth = 1;
      const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
      check(box, box->title(), box->width() - label.left());
    } else if (auto* bar = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < bar->count(); ++i) {
        QStyleOptionTab option;
        option.initFrom(bar);
        option.shape = bar->shape();
        option.rect = bar->tabRect(i);
        option.text = bar->tabText(i);
        check(bar, option.text, style->subElementRect(QStyle::SE_TabBarTabText, &option, bar).width());
      }
    }
  }
}

TEST_F(WindowAccessTest, EveryCaptionOfEveryLanguageFitsItsControl) {
  const std::string resolved =
      QFontInfo(child<QPushButton>(QStringLiteral("SendToClock"))->font()).family().toStdString();
  auto* pages = child<QTabWidget>(QStringLiteral("Settings"));
  form.show();
  // -1: the design texts; then the five items of Language.
  for (int set = -1; set < 5; ++set) {
    SCOPED_TRACE(testing::Message() << "caption set " << set << ", font " << resolved);
    if (set == 0) form.TimeoutTimer();  // the start-up tick puts the English set on
    if (set >= 0) language()->setItemIndex(set);
    std::vector<Misfit> misfits;
    for (int page : {0, 1}) {
      pages->setCurrentIndex(page);
      checkFits(form.centralWidget(), misfits);
    }
    for (const Misfit& m : misfits)
      ADD_FAILURE() << m.control.toStdString() << " \"" << m.text.toStdString() << "\" needs " << m.needed
                    << " px, has " << m.room;
  }
}

}  // namespace
