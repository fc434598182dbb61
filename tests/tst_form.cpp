#include "ui_mainwindow.h"

#include <QtTest>

// The form as the generated set-up builds it, before the main window changes anything.
namespace {

struct Node {
    const char *name;
    const char *cls;
    const char *parent;
    const char *text;  // nullptr: no text of its own
    QRect geometry;    // null: placed by a layout or a container
};

const Node kTree[] = {
    {"centralWidget", "QWidget", "MainWindow", nullptr, QRect()},
    {"tabW_register", "QTabWidget", "centralWidget", nullptr, QRect(940, 22, 601, 671)},
    {"tab_User", "QTabWidget", "centralWidget", nullptr, QRect(20, 10, 892, 441)},
    {"tab_ctrl", "QWidget", "tab_User", "Control", QRect()},
    {"lb_picture", "QLabel", "tab_ctrl", "", QRect(20, 18, 241, 241)},
    {"formLayoutWidget", "QWidget", "tab_ctrl", nullptr, QRect(20, 260, 261, 121)},
    {"lb_model_T", "QLabel", "formLayoutWidget", "Model:", QRect()},
    {"lb_mode_I", "QLabel", "formLayoutWidget", "", QRect()},
    {"lb_HW_T", "QLabel", "formLayoutWidget", "HW Version:", QRect()},
    {"lb_HW_I", "QLabel", "formLayoutWidget", "", QRect()},
    {"lb_SW_T", "QLabel", "formLayoutWidget", "SW Version:", QRect()},
    {"lb_SW_I", "QLabel", "formLayoutWidget", "", QRect()},
    {"lb_UID_T", "QLabel", "formLayoutWidget", "Unique ID:", QRect()},
    {"lb_UID_I", "QLabel", "formLayoutWidget", "", QRect()},
    {"pB_Activate", "QPushButton", "tab_ctrl", "Initialize", QRect(310, 30, 171, 51)},
    {"lb_Control_notice", "QLabel", "tab_ctrl", "", QRect(500, 40, 271, 31)},
    {"rB_Demo", "QRadioButton", "tab_ctrl", "Demo Mode", QRect(700, 25, 161, 51)},
    {"stackedWidget_control", "QStackedWidget", "tab_ctrl", nullptr, QRect(290, 100, 581, 251)},
    {"page_gripper", "QWidget", "stackedWidget_control", nullptr, QRect()},
    {"wg_position", "QWidget", "page_gripper", nullptr, QRect(10, 0, 561, 81)},
    {"l_Position", "QLabel", "wg_position", "Position(%):", QRect(190, 0, 151, 41)},
    {"lE_Position", "QLineEdit", "wg_position", nullptr, QRect(350, 0, 71, 41)},
    {"hS_Position", "QSlider", "wg_position", nullptr, QRect(129, 40, 301, 41)},
    {"pB_Position_Close", "QPushButton", "wg_position", "Close", QRect(10, 20, 111, 51)},
    {"pB_Position_Open", "QPushButton", "wg_position", "Open", QRect(440, 20, 111, 51)},
    {"wg_force", "QWidget", "page_gripper", nullptr, QRect(10, 80, 561, 81)},
    {"l_Force", "QLabel", "wg_force", "Force(%):", QRect(190, 0, 141, 41)},
    {"lE_Force", "QLineEdit", "wg_force", nullptr, QRect(350, 0, 71, 41)},
    {"hS_Force", "QSlider", "wg_force", nullptr, QRect(129, 40, 301, 41)},
    {"pB_Force_Min", "QPushButton", "wg_force", "Min.", QRect(10, 20, 111, 51)},
    {"pB_Force_Max", "QPushButton", "wg_force", "Max.", QRect(440, 20, 111, 51)},
    {"wg_speed", "QWidget", "page_gripper", nullptr, QRect(10, 160, 561, 81)},
    {"l_Speed", "QLabel", "wg_speed", "Speed(%):", QRect(190, 0, 141, 41)},
    {"lE_Speed", "QLineEdit", "wg_speed", nullptr, QRect(350, 0, 71, 41)},
    {"hS_Speed", "QSlider", "wg_speed", nullptr, QRect(129, 40, 301, 41)},
    {"pB_Speed_Min", "QPushButton", "wg_speed", "Min.", QRect(10, 20, 111, 51)},
    {"pB_Speed_Max", "QPushButton", "wg_speed", "Max.", QRect(440, 20, 111, 51)},
    {"page_Rotating", "QWidget", "stackedWidget_control", nullptr, QRect()},
    {"wg_rotation", "QWidget", "page_Rotating", nullptr, QRect(0, 20, 581, 51)},
    {"l_Rotation_Rotating", "QLabel", "wg_rotation", "Rotation(°):", QRect(10, 5, 141, 41)},
    {"lE_Rotation_Rotating", "QLineEdit", "wg_rotation", nullptr, QRect(440, 5, 111, 41)},
    {"hS_Rotation_Rotating", "QSlider", "wg_rotation", nullptr, QRect(159, 5, 271, 41)},
    {"wg_force_Rotating", "QWidget", "page_Rotating", nullptr, QRect(10, 80, 561, 81)},
    {"l_Force_Rotating", "QLabel", "wg_force_Rotating", "Torque(%):", QRect(190, 0, 141, 41)},
    {"lE_Force_Rotating", "QLineEdit", "wg_force_Rotating", nullptr, QRect(350, 0, 71, 41)},
    {"hS_Force_Rotating", "QSlider", "wg_force_Rotating", nullptr, QRect(129, 40, 301, 41)},
    {"pB_Force_Min_Rotating", "QPushButton", "wg_force_Rotating", "Min.", QRect(10, 20, 111, 51)},
    {"pB_Force_Max_Rotating", "QPushButton", "wg_force_Rotating", "Max.", QRect(440, 20, 111, 51)},
    {"wg_speed_Rotating", "QWidget", "page_Rotating", nullptr, QRect(10, 160, 561, 81)},
    {"l_Speed_Rotating", "QLabel", "wg_speed_Rotating", "Speed(%):", QRect(190, 0, 141, 41)},
    {"lE_Speed_Rotating", "QLineEdit", "wg_speed_Rotating", nullptr, QRect(350, 0, 71, 41)},
    {"hS_Speed_Rotating", "QSlider", "wg_speed_Rotating", nullptr, QRect(129, 40, 301, 41)},
    {"pB_Speed_Min_Rotating", "QPushButton", "wg_speed_Rotating", "Min.", QRect(10, 20, 111, 51)},
    {"pB_Speed_Max_Rotating", "QPushButton", "wg_speed_Rotating", "Max.", QRect(440, 20, 111, 51)},
    {"page_module_ctrl", "QWidget", "stackedWidget_control", nullptr, QRect()},
    {"wg_position_3", "QWidget", "page_module_ctrl", nullptr, QRect(10, 0, 561, 81)},
    {"l_Position_module", "QLabel", "wg_position_3", "Position(mm):", QRect(190, 0, 151, 41)},
    {"lE_Position_module", "QLineEdit", "wg_position_3", nullptr, QRect(350, 0, 71, 41)},
    {"hS_Position_module", "QSlider", "wg_position_3", nullptr, QRect(129, 40, 301, 41)},
    {"pB_Position_Backward", "QPushButton", "wg_position_3", "Backward", QRect(10, 20, 111, 51)},
    {"pB_Position_Forward", "QPushButton", "wg_position_3", "Forward", QRect(440, 20, 111, 51)},
    {"wg_force_3", "QWidget", "page_module_ctrl", nullptr, QRect(10, 80, 561, 81)},
    {"l_Speed_module", "QLabel", "wg_force_3", "Speed(%):", QRect(20, 0, 141, 41)},
    {"l_AccDec_module", "QLabel", "wg_force_3", "Acc/Dec(%):", QRect(320, 0, 141, 41)},
    {"lE_Speed_module", "QLineEdit", "wg_force_3", nullptr, QRect(180, 0, 71, 41)},
    {"lE_AccDec_module", "QLineEdit", "wg_force_3", nullptr, QRect(480, 0, 71, 41)},
    {"hS_Speed_module", "QSlider", "wg_force_3", nullptr, QRect(19, 40, 241, 41)},
    {"hS_AccDec_module", "QSlider", "wg_force_3", nullptr, QRect(319, 40, 241, 41)},
    {"wg_force_4", "QWidget", "page_module_ctrl", nullptr, QRect(10, 160, 561, 81)},
    {"I_PushBand_module", "QLabel", "wg_force_4", "PushBand(mm):", QRect(20, 20, 151, 41)},
    {"l_PushForce_module", "QLabel", "wg_force_4", "PushForce(%):", QRect(320, 20, 151, 41)},
    {"lE_PushBand_module", "QLineEdit", "wg_force_4", nullptr, QRect(180, 20, 71, 41)},
    {"lE_PushForce_module", "QLineEdit", "wg_force_4", nullptr, QRect(480, 20, 71, 41)},
    {"frame_changepage", "QFrame", "tab_ctrl", nullptr, QRect(450, 340, 251, 61)},
    {"pB_pagechange_Gripper", "QPushButton", "frame_changepage", "Gripper", QRect(10, 10, 121, 41)},
    {"pB_pagechange_Rotating", "QPushButton", "frame_changepage", "Rotating", QRect(130, 10, 111, 41)},
    {"tab_Commu", "QWidget", "tab_User", "Modbus-RTU Parameters", QRect()},
    {"mb_para_wg", "QWidget", "tab_Commu", nullptr, QRect(70, 20, 311, 301)},
    {"lb_baudrate", "QLabel", "mb_para_wg", "BaudRate:", QRect(10, 10, 131, 41)},
    {"cB_Baudrate", "QComboBox", "mb_para_wg", nullptr, QRect(160, 10, 131, 41)},
    {"lb_parity", "QLabel", "mb_para_wg", "Parity:", QRect(10, 60, 131, 41)},
    {"cB_Parity", "QComboBox", "mb_para_wg", nullptr, QRect(160, 60, 131, 41)},
    {"lb_stopbits", "QLabel", "mb_para_wg", "Stopbits:", QRect(10, 110, 131, 41)},
    {"cB_StopBits", "QComboBox", "mb_para_wg", nullptr, QRect(160, 110, 131, 41)},
    {"lb_gid", "QLabel", "mb_para_wg", "Gripper ID:", QRect(10, 160, 131, 41)},
    {"spB_gid", "QSpinBox", "mb_para_wg", nullptr, QRect(160, 160, 131, 41)},
    {"pB_Commu_Default", "QPushButton", "mb_para_wg", "Default", QRect(10, 220, 121, 41)},
    {"pB_Commu_Apply", "QPushButton", "mb_para_wg", "Save", QRect(160, 220, 131, 41)},
    {"lb_Commu_notice", "QLabel", "mb_para_wg", "", QRect(10, 270, 241, 21)},
    {"tab_IO", "QWidget", "tab_User", "I/O Parameters", QRect()},
    {"lb_IOMode", "QLabel", "tab_IO", "I/O Mode:", QRect(80, 30, 121, 41)},
    {"cB_IOMode", "QComboBox", "tab_IO", nullptr, QRect(220, 30, 121, 41)},
    {"pb_IO_Apply", "QPushButton", "tab_IO", "Save", QRect(370, 30, 91, 41)},
    {"lb_IO_notice", "QLabel", "tab_IO", "", QRect(480, 50, 241, 21)},
    {"stackedWidget_io", "QStackedWidget", "tab_IO", nullptr, QRect(10, 80, 871, 321)},
    {"pg_gripper", "QWidget", "stackedWidget_io", nullptr, QRect()},
    {"gB_IO_Gripper", "QGroupBox", "pg_gripper", "Gripper", QRect(210, 10, 281, 301)},
    {"gB_IO_Rotating", "QGroupBox", "pg_gripper", "Rotating", QRect(490, 10, 281, 301)},
    {"wg_IOpara", "QWidget", "pg_gripper", nullptr, QRect(50, 30, 731, 291)},
    {"gB_IO_1", "QGroupBox", "wg_IOpara", "Group 1", QRect(170, 10, 121, 201)},
    {"gB_IO_2", "QGroupBox", "wg_IOpara", "Group 2", QRect(310, 10, 121, 201)},
    {"gB_IO_3", "QGroupBox", "wg_IOpara", "Group 3", QRect(450, 10, 121, 201)},
    {"gB_IO_4", "QGroupBox", "wg_IOpara", "Group 4", QRect(590, 10, 121, 201)},
    {"verticalLayoutWidget", "QWidget", "wg_IOpara", nullptr, QRect(10, 35, 711, 181)},
    {"wg_IO_position", "QWidget", "verticalLayoutWidget", nullptr, QRect()},
    {"lb_IO_Position", "QLabel", "wg_IO_position", "Position:", QRect(10, 5, 151, 41)},
    {"spB_IO_P_1", "QSpinBox", "wg_IO_position", nullptr, QRect(170, 5, 101, 41)},
    {"spB_IO_P_2", "QSpinBox", "wg_IO_position", nullptr, QRect(310, 5, 101, 41)},
    {"spB_IO_P_3", "QSpinBox", "wg_IO_position", nullptr, QRect(450, 5, 101, 41)},
    {"spB_IO_P_4", "QSpinBox", "wg_IO_position", nullptr, QRect(590, 5, 101, 41)},
    {"wg_IO_force", "QWidget", "verticalLayoutWidget", nullptr, QRect()},
    {"lb_IO_Force", "QLabel", "wg_IO_force", "Force(%):", QRect(10, 5, 151, 41)},
    {"spB_IO_F_1", "QSpinBox", "wg_IO_force", nullptr, QRect(170, 5, 101, 41)},
    {"spB_IO_F_2", "QSpinBox", "wg_IO_force", nullptr, QRect(310, 5, 101, 41)},
    {"spB_IO_F_3", "QSpinBox", "wg_IO_force", nullptr, QRect(450, 5, 101, 41)},
    {"spB_IO_F_4", "QSpinBox", "wg_IO_force", nullptr, QRect(590, 5, 101, 41)},
    {"wg_IO_speed", "QWidget", "verticalLayoutWidget", nullptr, QRect()},
    {"lb_IO_Speed", "QLabel", "wg_IO_speed", "Speed(%):", QRect(10, 5, 151, 41)},
    {"spB_IO_S_1", "QSpinBox", "wg_IO_speed", nullptr, QRect(170, 5, 101, 41)},
    {"spB_IO_S_2", "QSpinBox", "wg_IO_speed", nullptr, QRect(310, 5, 101, 41)},
    {"spB_IO_S_3", "QSpinBox", "wg_IO_speed", nullptr, QRect(450, 5, 101, 41)},
    {"spB_IO_S_4", "QSpinBox", "wg_IO_speed", nullptr, QRect(590, 5, 101, 41)},
    {"wg_IO_Test", "QWidget", "wg_IOpara", nullptr, QRect(170, 220, 541, 61)},
    {"pB_IO_Test1", "QPushButton", "wg_IO_Test", "Test 1", QRect(10, 10, 101, 41)},
    {"pB_IO_Test2", "QPushButton", "wg_IO_Test", "Test 2", QRect(150, 10, 101, 41)},
    {"pB_IO_Test3", "QPushButton", "wg_IO_Test", "Test 3", QRect(290, 10, 101, 41)},
    {"pB_IO_Test4", "QPushButton", "wg_IO_Test", "Test 4", QRect(430, 10, 101, 41)},
    {"pg_pghl", "QWidget", "stackedWidget_io", nullptr, QRect()},
    {"wg_IOpara_pghl", "QWidget", "pg_pghl", nullptr, QRect(30, 0, 761, 321)},
    {"gB_IO_8", "QGroupBox", "wg_IOpara_pghl", "Group 1", QRect(190, 10, 121, 311)},
    {"gB_IO_7", "QGroupBox", "wg_IOpara_pghl", "Group 2", QRect(330, 10, 121, 311)},
    {"gB_IO_6", "QGroupBox", "wg_IOpara_pghl", "Group 3", QRect(470, 10, 121, 311)},
    {"gB_IO_5", "QGroupBox", "wg_IOpara_pghl", "Group 4", QRect(610, 10, 121, 311)},
    {"verticalLayoutWidget_2", "QWidget", "wg_IOpara_pghl", nullptr, QRect(10, 35, 741, 281)},
    {"wg_IO_position_pghl", "QWidget", "verticalLayoutWidget_2", nullptr, QRect()},
    {"lb_IO_Position_2", "QLabel", "wg_IO_position_pghl", "Position(0.01mm):", QRect(10, 5, 171, 41)},
    {"spB_IO_P_5", "QSpinBox", "wg_IO_position_pghl", nullptr, QRect(190, 5, 101, 41)},
    {"spB_IO_P_6", "QSpinBox", "wg_IO_position_pghl", nullptr, QRect(330, 5, 101, 41)},
    {"spB_IO_P_7", "QSpinBox", "wg_IO_position_pghl", nullptr, QRect(470, 5, 101, 41)},
    {"spB_IO_P_8", "QSpinBox", "wg_IO_position_pghl", nullptr, QRect(610, 5, 101, 41)},
    {"wg_IO_force_pghl", "QWidget", "verticalLayoutWidget_2", nullptr, QRect()},
    {"lb_IO_Force_2", "QLabel", "wg_IO_force_pghl", "Acc/Dec(%):", QRect(10, 5, 171, 41)},
    {"spB_IO_F_5", "QSpinBox", "wg_IO_force_pghl", nullptr, QRect(190, 5, 101, 41)},
    {"spB_IO_F_6", "QSpinBox", "wg_IO_force_pghl", nullptr, QRect(330, 5, 101, 41)},
    {"spB_IO_F_7", "QSpinBox", "wg_IO_force_pghl", nullptr, QRect(470, 5, 101, 41)},
    {"spB_IO_F_8", "QSpinBox", "wg_IO_force_pghl", nullptr, QRect(610, 5, 101, 41)},
    {"wg_IO_speed_pghl", "QWidget", "verticalLayoutWidget_2", nullptr, QRect()},
    {"lb_IO_Speed_2", "QLabel", "wg_IO_speed_pghl", "Speed(%):", QRect(10, 5, 171, 41)},
    {"spB_IO_S_5", "QSpinBox", "wg_IO_speed_pghl", nullptr, QRect(190, 5, 101, 41)},
    {"spB_IO_S_6", "QSpinBox", "wg_IO_speed_pghl", nullptr, QRect(330, 5, 101, 41)},
    {"spB_IO_S_7", "QSpinBox", "wg_IO_speed_pghl", nullptr, QRect(470, 5, 101, 41)},
    {"spB_IO_S_8", "QSpinBox", "wg_IO_speed_pghl", nullptr, QRect(610, 5, 101, 41)},
    {"wg_IO_pushband", "QWidget", "verticalLayoutWidget_2", nullptr, QRect()},
    {"lb_IO_Speed_3", "QLabel", "wg_IO_pushband", "PushBand(0.01mm):", QRect(10, 5, 171, 41)},
    {"spB_IO_PB_1", "QSpinBox", "wg_IO_pushband", nullptr, QRect(190, 5, 101, 41)},
    {"spB_IO_PB_2", "QSpinBox", "wg_IO_pushband", nullptr, QRect(330, 5, 101, 41)},
    {"spB_IO_PB_3", "QSpinBox", "wg_IO_pushband", nullptr, QRect(470, 5, 101, 41)},
    {"spB_IO_PB_4", "QSpinBox", "wg_IO_pushband", nullptr, QRect(610, 5, 101, 41)},
    {"wg_IO_pushforce", "QWidget", "verticalLayoutWidget_2", nullptr, QRect()},
    {"lb_IO_Speed_4", "QLabel", "wg_IO_pushforce", "PushForce(%):", QRect(10, 5, 171, 41)},
    {"spB_IO_PF_1", "QSpinBox", "wg_IO_pushforce", nullptr, QRect(190, 5, 101, 41)},
    {"spB_IO_PF_2", "QSpinBox", "wg_IO_pushforce", nullptr, QRect(330, 5, 101, 41)},
    {"spB_IO_PF_3", "QSpinBox", "wg_IO_pushforce", nullptr, QRect(470, 5, 101, 41)},
    {"spB_IO_PF_4", "QSpinBox", "wg_IO_pushforce", nullptr, QRect(610, 5, 101, 41)},
    {"wg_IO_pushspeed", "QWidget", "verticalLayoutWidget_2", nullptr, QRect()},
    {"lb_IO_Speed_5", "QLabel", "wg_IO_pushspeed", "PushSpeed(%):", QRect(10, 5, 171, 41)},
    {"spB_IO_PS_1", "QSpinBox", "wg_IO_pushspeed", nullptr, QRect(190, 5, 101, 41)},
    {"spB_IO_PS_2", "QSpinBox", "wg_IO_pushspeed", nullptr, QRect(330, 5, 101, 41)},
    {"spB_IO_PS_3", "QSpinBox", "wg_IO_pushspeed", nullptr, QRect(470, 5, 101, 41)},
    {"spB_IO_PS_4", "QSpinBox", "wg_IO_pushspeed", nullptr, QRect(610, 5, 101, 41)},
    {"tab_Other", "QWidget", "tab_User", "Other", QRect()},
    {"lb_Init_Direction", "QLabel", "tab_Other", "Initialization Direction:", QRect(80, 30, 291, 41)},
    {"cB_Init_Direction", "QComboBox", "tab_Other", nullptr, QRect(380, 30, 151, 41)},
    {"pB_Other_Apply", "QPushButton", "tab_Other", "Save", QRect(80, 260, 141, 41)},
    {"lb_other_notice", "QLabel", "tab_Other", "", QRect(80, 320, 241, 21)},
    {"tab_test", "QWidget", "tab_User", "Test", QRect()},
    {"cB_UserLevel", "QComboBox", "tab_test", nullptr, QRect(40, 40, 111, 41)},
    {"spB_T_ParaA", "QSpinBox", "tab_test", nullptr, QRect(50, 180, 91, 31)},
    {"spB_T_ParaB", "QSpinBox", "tab_test", nullptr, QRect(160, 180, 91, 31)},
    {"spB_T_ParaC", "QSpinBox", "tab_test", nullptr, QRect(270, 180, 91, 31)},
    {"spB_T_ParaD", "QSpinBox", "tab_test", nullptr, QRect(380, 180, 91, 31)},
    {"pB_T_ParaA", "QPushButton", "tab_test", "Para_A", QRect(50, 230, 89, 31)},
    {"pB_T_ParaB", "QPushButton", "tab_test", "Para_B", QRect(160, 230, 89, 31)},
    {"pB_T_ParaD", "QPushButton", "tab_test", "Para_C", QRect(270, 230, 89, 31)},
    {"pB_T_ParaC", "QPushButton", "tab_test", "Para_D", QRect(380, 230, 89, 31)},
    {"lE_T_UID", "QLineEdit", "tab_test", nullptr, QRect(40, 280, 113, 41)},
    {"pB_T_SetUID", "QPushButton", "tab_test", "Set_UID", QRect(170, 280, 89, 41)},
    {"pB_T_ZeroAngle", "QPushButton", "tab_test", "Cali zero Angle", QRect(280, 280, 201, 41)},
    {"pB_T_SaveBackup", "QPushButton", "tab_test", "Save Backup", QRect(40, 340, 191, 41)},
    {"pB_T_RestoreBackup", "QPushButton", "tab_test", "Recover Backup", QRect(250, 340, 191, 41)},
    {"pB_T_Upgrade", "QPushButton", "tab_test", "Upgrade", QRect(480, 340, 89, 41)},
    {"pushButton", "QPushButton", "tab_test", "STOP", QRect(630, 50, 89, 24)},
    {"pushButton_2", "QPushButton", "tab_test", "RECOVER", QRect(630, 90, 89, 24)},
    {"pB_Emergency_Close", "QPushButton", "tab_test", "E_Close", QRect(760, 30, 89, 51)},
    {"pB_Emergency_Open", "QPushButton", "tab_test", "E_Open", QRect(760, 100, 89, 51)},
    {"tE_T_ExportRemark", "QTextEdit", "tab_test", nullptr, QRect(630, 220, 231, 91)},
    {"pB_T_ExportPara", "QPushButton", "tab_test", "Export Parameters", QRect(620, 330, 251, 51)},
    {"tab_temp", "QWidget", "tab_User", "temp", QRect()},
    {"pB_T_loop", "QPushButton", "tab_temp", "loop", QRect(630, 10, 101, 41)},
    {"spB_T_loop_1", "QSpinBox", "tab_temp", nullptr, QRect(620, 60, 121, 41)},
    {"spB_T_loop_2", "QSpinBox", "tab_temp", nullptr, QRect(750, 60, 121, 41)},
    {"spB_T_P1", "QSpinBox", "tab_temp", nullptr, QRect(620, 110, 121, 41)},
    {"spB_T_P2", "QSpinBox", "tab_temp", nullptr, QRect(750, 110, 121, 41)},
    {"pB_T_P1", "QPushButton", "tab_temp", "position1", QRect(620, 160, 121, 41)},
    {"pB_T_P2", "QPushButton", "tab_temp", "position2", QRect(750, 160, 121, 41)},
    {"spB_T_F1", "QSpinBox", "tab_temp", nullptr, QRect(620, 280, 121, 41)},
    {"spB_T_F2", "QSpinBox", "tab_temp", nullptr, QRect(750, 280, 121, 41)},
    {"pB_T_F1", "QPushButton", "tab_temp", "force1", QRect(620, 330, 121, 41)},
    {"pB_T_F2", "QPushButton", "tab_temp", "force2", QRect(750, 330, 121, 41)},
    {"tab_demo", "QWidget", "tab_User", "Demo", QRect()},
    {"horizontalLayoutWidget", "QWidget", "tab_demo", nullptr, QRect(10, 10, 861, 381)},
    {"listView", "QListView", "horizontalLayoutWidget", nullptr, QRect()},
    {"pB_DemoProg_Open", "QPushButton", "horizontalLayoutWidget", "Open", QRect()},
    {"pB_DemoProg_New", "QPushButton", "horizontalLayoutWidget", "New", QRect()},
    {"pB_DemoeProg_Save", "QPushButton", "horizontalLayoutWidget", "Save", QRect()},
    {"pB_Comp_Gripper", "QPushButton", "horizontalLayoutWidget", "Gripper", QRect()},
    {"pB_Comp_Rotary", "QPushButton", "horizontalLayoutWidget", "Rotary", QRect()},
    {"pB_Comp_logical", "QPushButton", "horizontalLayoutWidget", "Logical", QRect()},
    {"stackedWidget", "QStackedWidget", "horizontalLayoutWidget", nullptr, QRect()},
    {"page", "QWidget", "stackedWidget", nullptr, QRect()},
    {"page_2", "QWidget", "stackedWidget", nullptr, QRect()},
    {"l_Position_2", "QLabel", "page_2", "Position(%):", QRect(20, 10, 141, 31)},
    {"l_Force_2", "QLabel", "page_2", "Force(%):", QRect(20, 60, 141, 31)},
    {"l_Speed_2", "QLabel", "page_2", "Speed(%):", QRect(20, 110, 141, 31)},
    {"lE_Position_2", "QLineEdit", "page_2", nullptr, QRect(170, 10, 81, 31)},
    {"lE_Force_2", "QLineEdit", "page_2", nullptr, QRect(170, 60, 81, 31)},
    {"lE_Speed_2", "QLineEdit", "page_2", nullptr, QRect(170, 110, 81, 31)},
    {"pB_DemoProg_Run", "QPushButton", "horizontalLayoutWidget", "Run", QRect()},
    {"pB_DemoProg_Puase", "QPushButton", "horizontalLayoutWidget", "Puase", QRect()},
    {"pB_DemoProg_Stop", "QPushButton", "horizontalLayoutWidget", "Stop", QRect()},
    {"PositionPlot", "QCustomPlot", "centralWidget", nullptr, QRect(180, 460, 361, 241)},
    {"CurrentPlot", "QCustomPlot", "centralWidget", nullptr, QRect(550, 460, 361, 241)},
    {"wg_state", "QWidget", "centralWidget", nullptr, QRect(30, 450, 141, 271)},
    {"lb_grip_state", "QLabel", "wg_state", "Grip State:", QRect(0, 20, 131, 41)},
    {"rB_S_Moving", "QRadioButton", "wg_state", "Moving", QRect(20, 70, 117, 31)},
    {"rB_S_Arrived", "QRadioButton", "wg_state", "Arrived", QRect(20, 120, 117, 31)},
    {"rB_S_Caught", "QRadioButton", "wg_state", "Caught", QRect(20, 170, 117, 31)},
    {"rB_S_Dropped", "QRadioButton", "wg_state", "Dropped", QRect(20, 220, 117, 31)},
    {"pB_hide", "QPushButton", "centralWidget", "", QRect(911, 420, 21, 31)},
};

QWidget *logicalParentWidget(QWidget *w)
{
    QWidget *p = w->parentWidget();
    // Tab pages sit in the tab widget's private stack.
    if (p && p->objectName() == QLatin1String("qt_tabwidget_stackedwidget"))
        p = p->parentWidget();
    return p;
}

QString logicalParent(QWidget *w)
{
    QWidget *p = logicalParentWidget(w);
    return p ? p->objectName() : QString();
}

QString ownText(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    if (auto *tabs = qobject_cast<QTabWidget *>(logicalParentWidget(w)))
        return tabs->tabText(tabs->indexOf(w));
    return QString();
}

}  // namespace

class TestForm : public QObject
{
    Q_OBJECT

private:
    QMainWindow m_host;
    Ui::MainWindow m_ui;

    template <typename T>
    T *find(const char *name)
    {
        T *w = m_host.findChild<T *>(name);
        if (!w)
            qWarning("missing %s", name);
        return w;
    }

private slots:
    void initTestCase() { m_ui.setupUi(&m_host); }

    void widgetTree_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < int(sizeof kTree / sizeof kTree[0]); ++i)
            QTest::newRow(kTree[i].name) << i;
    }
    void widgetTree()
    {
        QFETCH(int, index);
        const Node &node = kTree[index];
        const QList<QWidget *> all = m_host.findChildren<QWidget *>(node.name);
        QCOMPARE(all.size(), 1);  // object names are unique: slots bind by them
        QWidget *w = all.first();
        QCOMPARE(w->metaObject()->className(), node.cls);
        QCOMPARE(logicalParent(w), QString(node.parent));
        if (node.text)
            QCOMPARE(ownText(w), QString::fromUtf8(node.text));
        if (!node.geometry.isNull())
            QCOMPARE(w->geometry(), node.geometry);
    }

    void window()
    {
        QCOMPARE(m_host.objectName(), QString("MainWindow"));
        QCOMPARE(m_host.windowTitle(), QString("MainWindow"));
        QCOMPARE(m_host.size(), QSize(1565, 780));
        QCOMPARE(m_host.minimumSize(), QSize(931, 776));
        QCOMPARE(m_host.maximumSize(), QSize(1565, 780));
        QCOMPARE(m_host.font().pointSize(), 13);
        QCOMPARE(m_host.centralWidget(), m_ui.centralWidget);
        QCOMPARE(m_host.menuBar(), m_ui.menuBar);
        QCOMPARE(m_host.statusBar(), m_ui.statusBar);
        QCOMPARE(m_ui.menuBar->objectName(), QString("menuBar"));
        QCOMPARE(m_ui.statusBar->objectName(), QString("statusBar"));
    }

    void actionsAndMenus()
    {
        const struct {
            const char *name;
            const char *text;
            bool checkable;
        } actions[] = {{"actionChinese", "中文", false},     {"actionEnglish", "English", false},
                       {"actionConnect", "Connect", false},  {"actionDisconnect", "Disconnect", false},
                       {"actionConnectionSetup", "Configuration", false},
                       {"actionHelptopic", "Help", false},   {"actionAbout", "About", false},
                       {"actionAdvanced", "Registers", true}, {"actionSimple", "Simple", false},
                       {"actionBackupParameters", "Back up parameters…", false},
                       {"actionRestoreParameters", "Restore parameters…", false}};
        for (const auto &a : actions) {
            auto *action = m_host.findChild<QAction *>(a.name);
            QVERIFY2(action, a.name);
            QCOMPARE(action->parent(), &m_host);
            QCOMPARE(action->text(), QString::fromUtf8(a.text));
            QCOMPARE(action->isCheckable(), a.checkable);
            QVERIFY(!action->isChecked());
        }

        // Menu bar order and each menu's entries (separators as "-").
        const QList<QAction *> bar = m_ui.menuBar->actions();
        QCOMPARE(bar.size(), 5);
        const QList<QMenu *> menus = {m_ui.menuConnection, m_ui.menuLanguage, m_ui.menuView, m_ui.menuTools,
                                      m_ui.menuHelp};
        const QStringList titles = {"Connection", "Language", "View", "Tools", "Help"};
        const QStringList entries = {"actionDisconnect - -", "- actionChinese actionEnglish", "actionAdvanced",
                                     "actionBackupParameters actionRestoreParameters",
                                     "actionHelptopic actionAbout"};
        for (int i = 0; i < menus.size(); ++i) {
            QCOMPARE(bar[i]->menu(), menus[i]);
            QCOMPARE(menus[i]->title(), titles[i]);
            QStringList seen;
            for (QAction *a : menus[i]->actions())
                seen << (a->isSeparator() ? QString("-") : a->objectName());
            QCOMPARE(seen.join(' '), entries[i]);
        }
        for (QAction *unused : {m_ui.actionConnect, m_ui.actionConnectionSetup, m_ui.actionSimple})
            QVERIFY(unused->associatedWidgets().isEmpty());
    }

    void currentIndexes()
    {
        QCOMPARE(m_ui.tabW_register->count(), 0);
        QCOMPARE(m_ui.tabW_register->currentIndex(), -1);
        QCOMPARE(m_ui.tab_User->count(), 7);
        QCOMPARE(m_ui.tab_User->currentIndex(), 0);
        const QList<QWidget *> pages = {m_ui.tab_ctrl, m_ui.tab_Commu, m_ui.tab_IO, m_ui.tab_Other,
                                        m_ui.tab_test, m_ui.tab_temp, m_ui.tab_demo};
        for (int i = 0; i < pages.size(); ++i)
            QCOMPARE(m_ui.tab_User->widget(i), pages[i]);
        QCOMPARE(m_ui.stackedWidget_control->currentIndex(), 2);
        QCOMPARE(m_ui.stackedWidget_control->widget(0), m_ui.page_gripper);
        QCOMPARE(m_ui.stackedWidget_control->widget(1), m_ui.page_Rotating);
        QCOMPARE(m_ui.stackedWidget_control->widget(2), m_ui.page_module_ctrl);
        QCOMPARE(m_ui.stackedWidget_io->currentIndex(), 0);
        QCOMPARE(m_ui.stackedWidget_io->widget(1), m_ui.pg_pghl);
        QCOMPARE(m_ui.stackedWidget->currentIndex(), 1);
        QCOMPARE(m_ui.stackedWidget->widget(1), m_ui.page_2);
    }

    void comboItems_data()
    {
        QTest::addColumn<QString>("combo");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("baud") << "cB_Baudrate"
                              << QStringList{"115200", "57600", "38400", "19200", "9600", "4800", "230400"};
        QTest::newRow("parity") << "cB_Parity" << QStringList{"None", "Odd", "Even"};
        QTest::newRow("stop bits") << "cB_StopBits" << QStringList{"1 StopBit", "2 StopBits"};
        QTest::newRow("direction") << "cB_Init_Direction" << QStringList{"External", "Internal"};
        QTest::newRow("io mode") << "cB_IOMode" << QStringList{"OFF", "ON"};
        QTest::newRow("level") << "cB_UserLevel" << QStringList{"User", "Advance", "Factory", "Administrater"};
    }
    void comboItems()
    {
        QFETCH(QString, combo);
        QFETCH(QStringList, items);
        auto *c = m_host.findChild<QComboBox *>(combo);
        QVERIFY(c);
        QStringList seen;
        for (int i = 0; i < c->count(); ++i)
            seen << c->itemText(i);
        QCOMPARE(seen, items);
        QCOMPARE(c->currentIndex(), 0);
    }

    void spinBoxes_data()
    {
        QTest::addColumn<QString>("spin");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("value");
        QTest::newRow("gid") << "spB_gid" << 1 << 247 << 1 << 1;
        for (int g = 1; g <= 4; ++g) {
            QTest::addRow("P_%d", g) << QString("spB_IO_P_%1").arg(g) << 0 << 1000 << 1 << 0;
            QTest::addRow("F_%d", g) << QString("spB_IO_F_%1").arg(g) << 20 << 100 << 1 << 20;
            QTest::addRow("S_%d", g) << QString("spB_IO_S_%1").arg(g) << 1 << 100 << 1 << 1;
            QTest::addRow("P_%d", g + 4) << QString("spB_IO_P_%1").arg(g + 4) << 0 << 65535 << 1 << 0;
            QTest::addRow("F_%d", g + 4) << QString("spB_IO_F_%1").arg(g + 4) << 20 << 100 << 1 << 20;
            QTest::addRow("S_%d", g + 4) << QString("spB_IO_S_%1").arg(g + 4) << 1 << 100 << 1 << 1;
            QTest::addRow("PB_%d", g) << QString("spB_IO_PB_%1").arg(g) << 0 << 65535 << 1 << 1;
            QTest::addRow("PF_%d", g) << QString("spB_IO_PF_%1").arg(g) << 1 << 100 << 1 << 1;
            QTest::addRow("PS_%d", g) << QString("spB_IO_PS_%1").arg(g) << 1 << 100 << 1 << 1;
        }
        QTest::newRow("ParaA") << "spB_T_ParaA" << 0 << 65535 << 1 << 100;
        QTest::newRow("ParaB") << "spB_T_ParaB" << 0 << 65535 << 1 << 100;
        QTest::newRow("ParaC") << "spB_T_ParaC" << 0 << 65535 << 1 << 100;
        QTest::newRow("ParaD") << "spB_T_ParaD" << 0 << 65535 << 1 << 30;
        QTest::newRow("loop_1") << "spB_T_loop_1" << 100 << 524287 << 100 << 1000;
        QTest::newRow("loop_2") << "spB_T_loop_2" << 100 << 524287 << 100 << 1000;
        QTest::newRow("P1") << "spB_T_P1" << 0 << 20000 << 100 << 0;
        QTest::newRow("P2") << "spB_T_P2" << 0 << 20000 << 100 << 1000;
        QTest::newRow("F1") << "spB_T_F1" << 0 << 100 << 10 << 20;
        QTest::newRow("F2") << "spB_T_F2" << 0 << 100 << 10 << 100;
    }
    void spinBoxes()
    {
        QFETCH(QString, spin);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, step);
        QFETCH(int, value);
        auto *s = m_host.findChild<QSpinBox *>(spin);
        QVERIFY(s);
        QCOMPARE(s->minimum(), minimum);
        QCOMPARE(s->maximum(), maximum);
        QCOMPARE(s->singleStep(), step);
        QCOMPARE(s->value(), value);
        QCOMPARE(s->keyboardTracking(), spin != QLatin1String("spB_IO_P_5"));
    }

    void controlsState()
    {
        for (QLineEdit *e : m_host.findChildren<QLineEdit *>()) {
            if (e->parent()->inherits("QAbstractSpinBox") || e->parent()->inherits("QComboBox"))
                continue;
            QVERIFY2(e->alignment() == Qt::AlignCenter, qPrintable(e->objectName()));
            QVERIFY(e->text().isEmpty());
        }
        for (QSlider *s : m_host.findChildren<QSlider *>()) {
            QCOMPARE(s->orientation(), Qt::Horizontal);
            QCOMPARE(s->tickPosition(), QSlider::NoTicks);
        }
        QCOMPARE(m_ui.hS_Position->pageStep(), 100);
        QCOMPARE(m_ui.hS_Position_module->pageStep(), 100);
        QCOMPARE(m_ui.hS_Rotation_Rotating->minimum(), -1800);
        QCOMPARE(m_ui.hS_Rotation_Rotating->maximum(), 1800);
        QCOMPARE(m_ui.hS_Rotation_Rotating->value(), 0);
        QVERIFY(m_ui.l_Rotation_Rotating->alignment() == Qt::AlignCenter);

        for (QLabel *notice : {m_ui.lb_Control_notice, m_ui.lb_Commu_notice, m_ui.lb_IO_notice, m_ui.lb_other_notice}) {
            QCOMPARE(notice->styleSheet(), QString("color: rgb(255, 0, 0);"));
            QVERIFY(notice->text().isEmpty());
        }
        QCOMPARE(m_ui.tabW_register->styleSheet(),
                 QString("QTabWidget::pane{border:1px solid #C0DCF2;selection-background-color:#F2F9FF;"
                         "selection-color:#386487;alternate-background-color:#DAEFFF;gridline-color:#C0DCF2;}\n"
                         "QTabWidget::pane:top{top:-1px;}\n"
                         "QTabWidget::pane:bottom{bottom:-1px;}\n"
                         "QTabWidget::pane:left{right:-1px;}\n"
                         "QTabWidget::pane:right{left:-1px;}"));

        QCOMPARE(m_ui.lb_picture->frameShape(), QFrame::NoFrame);
        QCOMPARE(m_ui.lb_picture->frameShadow(), QFrame::Sunken);
        QVERIFY(m_ui.lb_picture->hasScaledContents());
        QVERIFY(m_ui.lb_picture->alignment() == Qt::AlignCenter);
        QCOMPARE(m_ui.frame_changepage->frameShape(), QFrame::StyledPanel);
        QCOMPARE(m_ui.frame_changepage->frameShadow(), QFrame::Raised);
        for (QPushButton *b : {m_ui.pB_pagechange_Gripper, m_ui.pB_pagechange_Rotating}) {
            QVERIFY(b->isCheckable());
            QVERIFY(b->autoExclusive());
            QVERIFY(!b->isChecked());
        }
        QVERIFY(m_ui.pB_hide->isFlat());
        QVERIFY(m_ui.pB_hide->text().isEmpty());
        QVERIFY(!m_ui.rB_Demo->isChecked());
        QVERIFY(!m_ui.gB_IO_Gripper->isCheckable());
        QVERIFY(m_ui.tE_T_ExportRemark->toPlainText().isEmpty());
        QVERIFY(!m_ui.pB_Emergency_Open->isHidden());  // hidden by the window, not the form
        for (QLabel *value : {m_ui.lb_mode_I, m_ui.lb_HW_I, m_ui.lb_SW_I, m_ui.lb_UID_I})
            QVERIFY(value->text().isEmpty());
    }

    void layouts()
    {
        QFormLayout *form = m_ui.formLayout;
        QCOMPARE(form->spacing(), 6);
        QCOMPARE(form->contentsMargins(), QMargins());
        QCOMPARE(form->rowWrapPolicy(), QFormLayout::WrapLongRows);
        const QList<QPair<QWidget *, QWidget *>> rows = {{m_ui.lb_model_T, m_ui.lb_mode_I},
                                                         {m_ui.lb_HW_T, m_ui.lb_HW_I},
                                                         {m_ui.lb_SW_T, m_ui.lb_SW_I},
                                                         {m_ui.lb_UID_T, m_ui.lb_UID_I}};
        QCOMPARE(form->rowCount(), 4);
        for (int r = 0; r < 4; ++r) {
            QCOMPARE(form->itemAt(r, QFormLayout::LabelRole)->widget(), rows[r].first);
            QCOMPARE(form->itemAt(r, QFormLayout::FieldRole)->widget(), rows[r].second);
        }

        const auto order = [](QLayout *l) {
            QStringList names;
            for (int i = 0; i < l->count(); ++i) {
                QLayoutItem *it = l->itemAt(i);
                names << (it->widget() ? it->widget()->objectName() : it->layout()->objectName());
            }
            return names.join(' ');
        };
        QCOMPARE(m_ui.verticalLayout->spacing(), 0);
        QCOMPARE(m_ui.verticalLayout->contentsMargins(), QMargins());
        QCOMPARE(order(m_ui.verticalLayout), QString("wg_IO_position wg_IO_force wg_IO_speed"));
        QCOMPARE(m_ui.verticalLayout_2->spacing(), 0);
        QCOMPARE(m_ui.verticalLayout_2->contentsMargins(), QMargins());
        QCOMPARE(order(m_ui.verticalLayout_2),
                 QString("wg_IO_position_pghl wg_IO_force_pghl wg_IO_speed_pghl wg_IO_pushband "
                         "wg_IO_pushforce wg_IO_pushspeed"));

        QCOMPARE(m_ui.horizontalLayout->spacing(), 20);
        QCOMPARE(order(m_ui.horizontalLayout), QString("listView verticalLayout_program"));
        QCOMPARE(m_ui.horizontalLayout->stretch(0), 2);
        QCOMPARE(m_ui.horizontalLayout->stretch(1), 4);
        QCOMPARE(m_ui.verticalLayout_program->spacing(), 10);
        QCOMPARE(order(m_ui.verticalLayout_program),
                 QString("horizontalLayout_FileOP horizontalLayout_component stackedWidget horizontalLayout_runOP"));
        const int stretch[] = {1, 1, 4, 1};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(m_ui.verticalLayout_program->stretch(i), stretch[i]);
        QCOMPARE(order(m_ui.horizontalLayout_FileOP), QString("pB_DemoProg_Open pB_DemoProg_New pB_DemoeProg_Save"));
        QCOMPARE(order(m_ui.horizontalLayout_component), QString("pB_Comp_Gripper pB_Comp_Rotary pB_Comp_logical"));
        QCOMPARE(order(m_ui.horizontalLayout_runOP), QString("pB_DemoProg_Run pB_DemoProg_Puase pB_DemoProg_Stop"));
        for (QBoxLayout *h : {m_ui.horizontalLayout_FileOP, m_ui.horizontalLayout_component, m_ui.horizontalLayout_runOP})
            QCOMPARE(h->spacing(), 6);
    }

    // Retranslating re-sets the texts without touching indexes or values.
    void retranslateKeepsState()
    {
        m_ui.cB_Parity->setCurrentIndex(1);
        m_ui.spB_gid->setValue(9);
        m_ui.pB_Activate->setText("x");
        m_ui.cB_UserLevel->setItemText(3, "y");
        m_ui.retranslateUi(&m_host);
        QCOMPARE(m_ui.pB_Activate->text(), QString("Initialize"));
        QCOMPARE(m_ui.cB_UserLevel->itemText(3), QString("Administrater"));
        QCOMPARE(m_ui.cB_Parity->currentIndex(), 1);
        QCOMPARE(m_ui.spB_gid->value(), 9);
        QCOMPARE(m_ui.tab_User->currentIndex(), 0);
    }
};

QTEST_MAIN(TestForm)
#include "tst_form.moc"
