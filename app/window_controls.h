#pragma once
// The controls of the main window Form1, built from its design: names, texts, places and start
// states, with the Tab order. The window inherits them (as a form inherits its generated Ui
// class) and binds their events to its handlers; building them runs no handler.
#include <array>

#include "port_chooser.h"
#include "week_table.h"

class QAction;
class QGroupBox;
class QLabel;
class QMainWindow;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;
class TimerPage;
class TRadioGroup;

class TWindowControls {
 protected:
  // Builds every control of the window, its menus and their keys; the Timer page edits `week`.
  void setupControls(QMainWindow* window, WeekTable& week, bool& timerEdited);

  QTabWidget* settings_ = nullptr;
  TimerPage* timerPage_ = nullptr;
  QPushButton* readClock_ = nullptr;
  QPushButton* sendToClock_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  TRadioGroup* language_ = nullptr;
  TRadioGroup* relayMode_ = nullptr;
  QSpinBox* spinUtc_ = nullptr;
  QSpinBox* spinDls_ = nullptr;
  QSpinBox* spinValid_ = nullptr;
  QGroupBox* serialPorts_ = nullptr;
  QLabel* clockFound_ = nullptr;
  std::array<QLabel*, 3> rowLabels_{};   // Label10, Label11, Label12
  std::array<QLabel*, 3> unitLabels_{};  // Label4, Label5, Label6
  std::array<QRadioButton*, TPortChooser::kPortCount> comButtons_{};
  QMenu* fileMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QMenu* howToUseMenu_ = nullptr;
  QAction* openConfig_ = nullptr;
  QAction* saveConfig_ = nullptr;
  QAction* quit_ = nullptr;
  QAction* settingsHelp_ = nullptr;
  QAction* timerHelp_ = nullptr;
  QAction* about_ = nullptr;

 private:
  QWidget* createClientArea(QMainWindow* window);
  QWidget* createSettingsPage();
  void createBottomRow(QWidget* client);
  void createMenus(QMainWindow* window);
  void setFocusOrder();
};
