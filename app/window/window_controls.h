#pragma once
// The controls of the main window Form1, built from its design (names, texts, places, start
// states and the Tab order), and their captions in each language. The window inherits them, as a
// form inherits its generated Ui class, and binds their events to its handlers; building them
// runs no handler.
#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QMainWindow;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QString;
class QSpinBox;
class QTabWidget;
class QWidget;
struct CaptionSet;
class TimerPage;
class TRadioGroup;
class WeekTimer;

// The COM buttons COM1..COM9.
inline constexpr int kComButtons = 9;

class TWindowControls {
 protected:
  // Builds every control of the window, its menus and their keys; the Timer page edits `week`.
  void setupControls(QMainWindow* window, WeekTimer& week);
  // Puts the texts of one language on every control and menu entry. The relay items are
  // replaced, keeping the selected mode, which is selected again.
  void showCaptions(const CaptionSet& set);
  // The tool tip and accessible description of the SerialPorts group and the clockfound label.
  void describePortInUse(const QString& text);

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
  QLabel* clockFound_ = nullptr;
  std::array<QRadioButton*, kComButtons> comButtons_{};
  QAction* openConfig_ = nullptr;
  QAction* saveConfig_ = nullptr;
  QAction* compareWithClock_ = nullptr;
  QAction* sendToEveryClock_ = nullptr;
  QAction* verifyAfterSending_ = nullptr;  // checkable: "Send to clock" reads the clock back
  QAction* quit_ = nullptr;
  QAction* settingsHelp_ = nullptr;
  QAction* timerHelp_ = nullptr;
  QAction* about_ = nullptr;
  QAction* connectionCheck_ = nullptr;  // every port with why it did not serve
  // The ports present, one radio item each (filled by the window), then "Find the clock".
  QMenu* portMenu_ = nullptr;
  QAction* findClock_ = nullptr;

 private:
  QGroupBox* serialPorts_ = nullptr;
  std::array<QLabel*, 3> rowLabels_{};   // Label10, Label11, Label12
  std::array<QLabel*, 3> unitLabels_{};  // Label4, Label5, Label6
  QMenu* fileMenu_ = nullptr;
  QMenu* helpMenu_ = nullptr;
  QMenu* howToUseMenu_ = nullptr;

  QWidget* createClientArea(QMainWindow* window);
  QWidget* createSettingsPage();
  void createBottomRow(QWidget* client);
  void createMenus(QMainWindow* window);
  void setFocusOrder();
};
