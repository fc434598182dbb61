-- Linear module register map: group index and the groups that differ from the gripper.

INSERT INTO register_indextable VALUES (0, '权限', 'Permission', 'registertable_0x00', 1, 'R/W', 5000, 1);
INSERT INTO register_indextable VALUES (1, '控制', 'Control', 'registertable_0x01', 8, 'R/W', 300, 0);
INSERT INTO register_indextable VALUES (2, '反馈', 'Feedback', 'registertable_0x02', 8, 'RO', 50, 0);
INSERT INTO register_indextable VALUES (3, '用户参数', 'User Parameters', 'registertable_0x03', 11, 'R/W', 1000, 0);
INSERT INTO register_indextable VALUES (4, 'I/O参数', 'I/O Parameters', 'registertable_0x04', 35, 'R/W', 1000, 0);
INSERT INTO register_indextable VALUES (5, '特殊功能', 'Special Function', 'registertable_0x05', 13, 'R/W', 500, 0);
INSERT INTO register_indextable VALUES (10, '夹爪信息', 'Gripper Information', 'registertable_0x0A', 6, 'RO', 5000, 0);
INSERT INTO register_indextable VALUES (17, '工厂控制', 'Factory Control', 'registertable_0x11', 7, 'R/W', 5000, 2);
INSERT INTO register_indextable VALUES (18, '工厂参数', 'Factory Parameters', 'registertable_0x12', 13, 'R/W', 3000, 2);
INSERT INTO register_indextable VALUES (19, '运行数据', 'Runtime Data', 'registertable_0x13', 24, 'RO', 50, 2);
INSERT INTO register_indextable VALUES (20, '系统参数', 'System Parameters', 'registertable_0x14', 6, 'R/W', 3000, 2);
INSERT INTO register_indextable VALUES (21, '夹爪参数', 'Gripper Parameters', 'registertable_0x15', 4, 'R/W', 3000, 2);

-- 0x01 Control
INSERT INTO registertable_0x01 VALUES (0, '回零', 'Home', '0,1,2,3,165', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (1, '推压力值', 'Push-Force', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (2, '推压段', 'Push-band', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (3, '目标位置', 'Target position', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (4, '速度', 'Speed', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (5, '加减速度', 'Acc/Dec', '1~100', '0.0', 'signed');
INSERT INTO registertable_0x01 VALUES (6, '相对位置', 'Relative position', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x01 VALUES (7, '点动', 'jog', '-1,0,1', '0.0', 'signed');

-- 0x02 Feedback
INSERT INTO registertable_0x02 VALUES (0, '回零状态', 'Home state', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (1, '运动状态', 'motion state', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (2, '位置', 'Position', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (3, '速度', 'Speed', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x02 VALUES (4, '电流', 'Current', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (5, '错误代码', 'Error code', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x02 VALUES (6, '保留', 'Reverse', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (7, '保留', 'Reverse', '-', '0.0', 'unsigned');

-- 0x03 User Parameters
INSERT INTO registertable_0x03 VALUES (0, '保存', 'Save', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (1, '初始化方向', 'Initialization Direction', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (2, '从站地址', 'Slave Address', '1~247', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (3, '波特率', 'BaudRate', '0,1,2,3,4,5,6', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (4, '停止位', 'StopBits', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (5, '校验位', 'ParityBits', '0,1,2', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (6, '行程限位低位', 'Stroke limit Low', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (7, '行程限位高位', 'Stroke limit High', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (8, '回零偏移', 'Home Offset', '-32768~32768', '0.0', 'signed');
INSERT INTO registertable_0x03 VALUES (9, '推压速度', 'Push speed', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (10, '推压方向', 'Push direction', '0,1,2', '0.0', 'unsigned');

-- 0x04 I/O Parameters: four I/O positions of seven registers each, the last unused
INSERT INTO registertable_0x04 VALUES (0, '急停', 'Emergency Stop', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (1, 'IO引脚配置', 'IO Pin Config', '0~255', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (2, 'I/O控制使能', 'I/O control enable', '0,1,2', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (3, '输入类型', 'Input Type', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (4, '输出类型', 'Output Type', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (5, '寄存器0x0405', '0x0405', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (6, '寄存器0x0406', '0x0406', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (7, '位置_1', 'Position_1', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (8, '加减速度_1', 'Acc/Dec_1', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (9, '速度_1', 'Speed_1', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (10, '推压段_1', 'PushBand_1', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (11, '推压力值_1', 'PushForce_1', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (12, '推压速度_1', 'PushSpeed_1', '10~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (13, '寄存器0x040D', '0x040D', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (14, '位置_2', 'Position_2', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (15, '加减速度_2', 'Acc/Dec_2', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (16, '速度_2', 'Speed_2', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (17, '推压段_2', 'PushBand_2', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (18, '推压力值_2', 'PushForce_2', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (19, '推压速度_2', 'PushSpeed_2', '10~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (20, '寄存器0x0414', '0x0414', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (21, '位置_3', 'Position_3', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (22, '加减速度_3', 'Acc/Dec_3', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (23, '速度_3', 'Speed_3', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (24, '推压段_3', 'PushBand_3', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (25, '推压力值_3', 'PushForce_3', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (26, '推压速度_3', 'PushSpeed_3', '10~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (27, '寄存器0x041B', '0x041B', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (28, '位置_4', 'Position_4', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (29, '加减速度_4', 'Acc/Dec_4', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (30, '速度_4', 'Speed_4', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (31, '推压段_4', 'PushBand_4', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (32, '推压力值_4', 'PushForce_4', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (33, '推压速度_4', 'PushSpeed_4', '10~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (34, '寄存器0x0422', '0x0422', '-', '0.0', 'unsigned');

-- 0x05 Special Function
INSERT INTO registertable_0x05 VALUES (0, '紧急停止/张开/闭合', 'Emergency stop/open/close', '0,1,2', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (1, '伺服使能', 'Servo Enable', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (2, '停止', 'Stop', '0,1,2', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (3, '保留', 'Reserve', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (4, '上电自动初始化', 'Auto-Initialization When Power on', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (5, '保留', 'Reserve', '0,1', '1.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (6, '保留', 'Reserve', '0,1,165', '1.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (7, '保留', 'Reserve', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (8, '保留', 'Reserve', '0~255', '1.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (9, '保留', 'Reserve', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (10, '系统命令', 'System Command', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (11, '保留', 'Reserve', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (12, '保留', 'Reserve', '0~65535', '0.0', 'unsigned');

-- 0x14 System Parameters
INSERT INTO registertable_0x14 VALUES (0, '电机最大转速', 'Max. Motor Rev.', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (1, '电机最大电流', 'Max Motor Current', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (2, '初始化速度', 'Init. Speed', '0~100', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (3, '初始化电流', 'Init. Current', '0~100', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (4, '电机极数', 'Motor Pole', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (5, '零角度偏置', 'ZeroAngle Bias', '0~65535', '0.0', 'unsigned');
