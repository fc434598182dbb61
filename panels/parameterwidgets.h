// The spin boxes of the saved I/O motion groups, in the order of their registers; the reply
// dispatch fills them, the parameter tabs write them.
#pragma once

#include <array>

namespace Ui { class MainWindow; }
class QSpinBox;

namespace ParameterWidgets {

// Gripper: group 1 position, force, speed, then group 2 and so on, registers 0x0405 to 0x0410.
std::array<QSpinBox *, 12> gripperIoBoxes(const Ui::MainWindow *ui);

// Linear module: four groups of position, acceleration, speed, push band, push force, push
// speed, each group seven registers from 0x0407 (the seventh is reserved).
std::array<std::array<QSpinBox *, 6>, 4> moduleIoBoxes(const Ui::MainWindow *ui);

} // namespace ParameterWidgets
