// SPDX-License-Identifier: MIT
// The instrument's window built from its tables, every control at its place, handed out by role.
#pragma once

#include <QList>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;
class TabPanel;
class WeightLabel;

// The port frame: the COM1/COM2 buttons, the baud and address boxes, the open/close button.
struct PortFrameControls
{
    std::array<QRadioButton *, 2> portButtons{}; // COM1, COM2
    QComboBox *baudBox = nullptr;
    QComboBox *addressBox = nullptr;
    QPushButton *openButton = nullptr;
};

// The weight panel: the panel itself, the large display, 自动读取 and 读取, and the two timers
// the weight runs by.
struct WeightPanelControls
{
    QGroupBox *panel = nullptr;
    WeightLabel *weightLabel = nullptr;
    QCheckBox *autoReadBox = nullptr;
    QPushButton *readButton = nullptr;
    QTimer *responseTimer = nullptr;
    QTimer *pollTimer = nullptr;
};

// The four parameter pages: the tabbed panel, the 35 value boxes by box index, and each page's
// read button and response timer in page order.
struct ParameterPageControls
{
    TabPanel *tabs = nullptr;
    QList<QLineEdit *> valueBoxes;
    QList<QPushButton *> readButtons;
    QList<QTimer *> responseTimers;
};

struct Form1Controls
{
    QWidget *client = nullptr; // the instrument's window, the window's central widget
    PortFrameControls portFrame;
    WeightPanelControls weightPanel;
    ParameterPageControls pages;
};

// Builds the controls of window/controls.cpp and window/pagelayout.cpp, and the window's six
// timers, into `window`; a control the tables do not give, or not of its kind, stops the
// program right then.
Form1Controls buildForm1Controls(QMainWindow *window);
