// The radio group of the Language and RelayMode choices: one selected item, click handling for
// every change of the selection, by the user or by the program.
#include "radio_group.h"

#include <gtest/gtest.h>

#include <QRadioButton>

namespace {

struct Group {
  Group() : group("Choice", "Choice", {"a", "b", "c", "d"}, nullptr) {
    group.resize(120, 105);
    QObject::connect(&group, &TRadioGroup::clicked, [this](int index) { clicks.push_back(index); });
  }
  QRadioButton* button(int i) { return group.findChild<QRadioButton*>(QStringLiteral("Choice%1").arg(i)); }
  int checkedCount() {
    int n = 0;
    for (int i = 0; i < 4; ++i) n += button(i)->isChecked() ? 1 : 0;
    return n;
  }
  TRadioGroup group;
  std::vector<int> clicks;
};

TEST(RadioGroup, ProgramSelectionRunsTheClickHandlingOncePerChange) {
  Group g;
  EXPECT_EQ(g.group.ItemIndex(), -1);
  g.group.setItemIndex(1);
  g.group.setItemIndex(1);  // unchanged: nothing
  g.group.setItemIndex(7);  // beyond the last: the last
  EXPECT_EQ(g.group.ItemIndex(), 3);
  EXPECT_EQ(g.clicks, (std::vector<int>{1, 3}));
  EXPECT_EQ(g.checkedCount(), 1);
  EXPECT_TRUE(g.button(3)->isChecked());

  g.group.setItemIndex(-3);  // below -1: nothing selected, nothing run
  EXPECT_EQ(g.group.ItemIndex(), -1);
  EXPECT_EQ(g.checkedCount(), 0);
  EXPECT_EQ(g.clicks.size(), 2u);
}

TEST(RadioGroup, UserClicksSelectOneItemAndCannotClearIt) {
  Group g;
  g.group.setItemIndex(0);
  g.button(2)->click();
  EXPECT_EQ(g.group.ItemIndex(), 2);
  EXPECT_EQ(g.checkedCount(), 1);
  g.button(2)->click();  // the selected item again
  EXPECT_TRUE(g.button(2)->isChecked());
  EXPECT_EQ(g.clicks, (std::vector<int>{0, 2}));
}

}  // namespace
