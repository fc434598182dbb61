-- Gripper register map: group index and the groups that differ from the linear module.

INSERT INTO register_indextable VALUES (0, '权限', 'Permission', 'registertable_0x00', 1, 'R/W', 5000, 1);
INSERT INTO register_indextable VALUES (1, '控制', 'Control', 'registertable_0x01', 10, 'R/W', 300, 0);
INSERT INTO register_indextable VALUES (2, '反馈', 'Feedback', 'registertable_0x02', 14, 'RO', 50, 0);
INSERT INTO register_indextable VALUES (3, '用户参数', 'User Parameters', 'registertable_0x03', 7, 'R/W', 1000, 0);
INSERT INTO register_indextable VALUES (4, 'I/O参数', 'I/O Parameters', 'registertable_0x04', 17, 'R/W', 1000, 0);
INSERT INTO register_indextable VALUES (5, '特殊功能', 'Special Function', 'registertable_0x05', 12, 'R/W', 500, 0);
INSERT INTO register_indextable VALUES (10, '夹爪信息', 'Gripper Information', 'registertable_0x0A', 6, 'RO', 5000, 0);
INSERT INTO register_indextable VALUES (17, '工厂控制', 'Factory Control', 'registertable_0x11', 7, 'R/W', 5000, 2);
INSERT INTO register_indextable VALUES (18, '工厂参数', 'Factory Parameters', 'registertable_0x12', 13, 'R/W', 3000, 2);
INSERT INTO register_indextable VALUES (19, '运行数据', 'Runtime Data', 'registertable_0x13', 24, 'RO', 500, 2);
INSERT INTO register_indextable VALUES (20, '系统参数', 'System Parameters', 'registertable_0x14', 7, 'R/W', 3000, 2);
INSERT INTO register_indextable VALUES (21, '夹爪参数', 'Gripper Parameters', 'registertable_0x15', 4, 'R/W', 3000, 2);

-- 0x01 Control (offsets 6 to 9 are served by rotary grippers only)
INSERT INTO registertable_0x01 VALUES (0, '初始化', 'Initialization', '0,1,2,3,165', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (1, '力值', 'Force', '0~100', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (2, '保留', 'Reserve', '-32768~32767', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (3, '目标位置', 'Target position', '-32768~32767', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (4, '速度', 'Speed', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (5, '旋转角度高位', 'angle_Hi', '-32768~32767', '0.0', 'signed');
INSERT INTO registertable_0x01 VALUES (6, '旋转角度低位', 'angle_Lo', '-80~80', '1.0', 'signed');
INSERT INTO registertable_0x01 VALUES (7, '旋转速度', 'rotation_speed', '0~100', '1.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (8, '旋转力值', 'rotation_force', '0~100', '1.0', 'unsigned');
INSERT INTO registertable_0x01 VALUES (9, '相对旋转角度', 'angle_relatively', '-32768~32767', '1.0', 'signed');

-- 0x02 Feedback
INSERT INTO registertable_0x02 VALUES (0, '初始化状态', 'Initialization state', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (1, '夹持状态', 'Grip state', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (2, '位置', 'Position', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (3, '速度', 'Speed', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x02 VALUES (4, '电流', 'Current', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (5, '错误代码', 'Error code', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x02 VALUES (6, '保留', 'Reverse', '-', '0.0', 'signed');
INSERT INTO registertable_0x02 VALUES (7, '保留', 'Reverse', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x02 VALUES (8, '旋转角度（低位）', 'Rotation Angle (Low)', '-', '1.0', 'signed');
INSERT INTO registertable_0x02 VALUES (9, '旋转角度（高位）', 'Rotation Angle (High)', '-', '1.0', 'signed');
INSERT INTO registertable_0x02 VALUES (10, '旋转初始化状态', 'Rotaton initialization state', '-', '1.0', 'unsigned');
INSERT INTO registertable_0x02 VALUES (11, '旋转状态', 'Rotation state', '-', '1.0', 'unsigned');
INSERT INTO registertable_0x02 VALUES (12, '旋转速度', 'Rotation Speed', '-', '1.0', 'signed');
INSERT INTO registertable_0x02 VALUES (13, '旋转电流', 'Rotation Current', '-', '1.0', 'signed');

-- 0x03 User Parameters
INSERT INTO registertable_0x03 VALUES (0, '保存', 'Save', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (1, '初始化方向', 'Initialization Direction', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (2, '从站地址', 'Slave Address', '1~247', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (3, '波特率', 'BaudRate', '0,1,2,3,4,5,6', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (4, '停止位', 'StopBits', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (5, '校验位', 'ParityBits', '0,1,2', '0.0', 'unsigned');
INSERT INTO registertable_0x03 VALUES (6, '最大电流比例', 'Max. current scale', '20~100', '0.0', 'unsigned');

-- 0x04 I/O Parameters: four I/O positions with force and speed each
INSERT INTO registertable_0x04 VALUES (0, '测试I/O参数', 'Test I/O parameters', '0,1,2,3,4', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (1, 'IO引脚配置', 'IO Pin Config', '0~255', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (2, 'I/O控制使能', 'I/O control enable', '0,1,2', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (3, '输入类型', 'Input Type', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (4, '输出类型', 'Output Type', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (5, '位置_1', 'Position_1', '0~1000', '0.0', 'signed');
INSERT INTO registertable_0x04 VALUES (6, '力值_1', 'Force_1', '20~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (7, '速度_1', 'Speed_1', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (8, '位置_2', 'Position_2', '0~1000', '0.0', 'signed');
INSERT INTO registertable_0x04 VALUES (9, '力值_2', 'Force_2', '20~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (10, '速度_2', 'Speed_2', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (11, '位置_3', 'Position_3', '0~1000', '0.0', 'signed');
INSERT INTO registertable_0x04 VALUES (12, '力值_3', 'Force_3', '20~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (13, '速度_3', 'Speed_3', '1~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (14, '位置_4', 'Position_4', '0~1000', '0.0', 'signed');
INSERT INTO registertable_0x04 VALUES (15, '力值_4', 'Force_4', '20~100', '0.0', 'unsigned');
INSERT INTO registertable_0x04 VALUES (16, '速度_4', 'Speed_4', '1~100', '0.0', 'unsigned');

-- 0x05 Special Function
INSERT INTO registertable_0x05 VALUES (0, '紧急停止/张开/闭合', 'Emergency stop/open/close', '0,1,2', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (1, '保留', 'Reserve', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (2, '停止', 'Stop', '0,1,2', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (3, '保留', 'Reserve', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (4, '上电自动初始化', 'Auto-Initialization When Power on', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (5, '旋转堵转配置', 'Rotation Stall Configuration', '0,1', '1.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (6, '旋转值复位', 'Rotation Value Reset', '0,1,165', '1.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (7, '保留', 'Reserve', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (8, '旋转堵转阈值', 'Rotation Stall threshold', '0~255', '1.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (9, '旋转零点', 'Rotary Zero', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (10, '系统命令', 'System Command', '0,1', '0.0', 'unsigned');
INSERT INTO registertable_0x05 VALUES (11, '旋转分辨率', 'Rotary Resolution', '0~65535', '0.0', 'unsigned');

-- 0x14 System Parameters
INSERT INTO registertable_0x14 VALUES (0, '电机最大转速', 'Max. Motor Rev.', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (1, '电机最大电流', 'Max Motor Current', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (2, '初始化速度', 'Init. Speed', '0~100', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (3, '初始化电流', 'Init. Current', '0~100', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (4, '电机极数', 'Motor Pole', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (5, '编码器线数', 'Encoder lines', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x14 VALUES (6, '零角度偏置', 'ZeroAngle Bias', '0~65535', '0.0', 'unsigned');
