-- Register groups that are the same on grippers and linear modules.

-- 0x00 Permission: 0 or one of the three access codes.
INSERT INTO registertable_0x00 VALUES (0, '权限', 'Permission', '0,15420,26985,50115', '0.0', 'unsigned');

-- 0x0A Gripper Information
INSERT INTO registertable_0x0A VALUES (0, '型号', 'Mode', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x0A VALUES (1, '硬件版本', 'HW Version', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x0A VALUES (2, '软件版本', 'SW Version', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x0A VALUES (3, '唯一ID 1', 'Unique ID 1', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x0A VALUES (4, '唯一ID 2', 'Unique ID 2', '-', '0.0', 'unsigned');
INSERT INTO registertable_0x0A VALUES (5, '其他版本信息', 'Other Verion info', '-', '0.0', 'unsigned');

-- 0x11 Factory Control: writing 175 triggers the named action.
INSERT INTO registertable_0x11 VALUES (0, '电角度校准', 'Calibrarion electric angle', '0,175', '0.0', 'unsigned');
INSERT INTO registertable_0x11 VALUES (1, '测试', 'Test', '0,175', '0.0', 'unsigned');
INSERT INTO registertable_0x11 VALUES (2, '备份参数', 'Backup parameter', '0,175', '0.0', 'unsigned');
INSERT INTO registertable_0x11 VALUES (3, '升级', 'Upgrade', '0,175', '0.0', 'unsigned');
INSERT INTO registertable_0x11 VALUES (4, '恢复备份', 'Backup restore', '0,175', '0.0', 'unsigned');
INSERT INTO registertable_0x11 VALUES (5, '保存参数', 'save parameter', '0,175', '0.0', 'unsigned');
INSERT INTO registertable_0x11 VALUES (6, '自动测试', 'Auto test', '0,1', '0.0', 'unsigned');

-- 0x12 Factory Parameters
INSERT INTO registertable_0x12 VALUES (0, '拟合参数a', 'Fit param a', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (1, '拟合参数b', 'Fit param b', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (2, '拟合参数c', 'Fit param c', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (3, '拟合参数d', 'Fit param d', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (4, '位置环比例', 'Position_P', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (5, '位置环积分', 'Position_I', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (6, '位置环微分', 'Position_D', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (7, '速度环比例', 'Speed_P', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (8, '速度环积分', 'Speed_I', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (9, '速度环微分', 'Speed_D', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (10, '电流环比例', 'Current_P', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (11, '电流环积分', 'Current_I', '-32767~32767', '0.0', 'signed');
INSERT INTO registertable_0x12 VALUES (12, '电流环微分', 'Current_D', '-32767~32767', '0.0', 'signed');

-- 0x13 Runtime Data: stored as the device lists it, channel 1, channel 2, then the
-- reserved block in between.
INSERT INTO registertable_0x13 VALUES (0, '通道1当前电流', 'C1 Cur. Current', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (1, '通道1当前速度', 'C1 Cur. Speed', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (2, '通道1当前位置低位', 'C1 Cur. Position_Lo', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (3, '通道1当前位置高位', 'C1 Cur. Position_Hi', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (4, '通道1参考电流', 'C1 Ref. Current', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (5, '通道1参考速度', 'C1 Ref. Speed', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (6, '通道1参考位置低位', 'C1 Ref. Position_Lo', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (7, '通道1参考位置高位', 'C1 Ref. position_Hi', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (16, '通道2当前电流', 'C2 Cur. Current', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (17, '通道2当前速度', 'C2 Cur. Speed', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (18, '通道2当前位置低位', 'C2 Cur. Position_Lo', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (19, '通道2当前位置高位', 'C2 Cur. Position_Hi', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (20, '通道2参考电流', 'C2 Ref. Current', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (21, '通道2参考速度', 'C2 Ref. Speed', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (22, '通道2参考位置低位', 'C2 Ref. Position_Lo', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (23, '通道2参考位置高位', 'C2 Ref. position_Hi', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (8, '保留', 'Reserve', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (9, '保留', 'Reserve', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (10, '保留', 'Reserve', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (11, '保留', 'Reserve', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (12, '保留', 'Reserve', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (13, '保留', 'Reserve', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (14, '保留', 'Reserve', '-', '0.0', 'signed');
INSERT INTO registertable_0x13 VALUES (15, '保留', 'Reserve', '-', '0.0', 'signed');

-- 0x15 Gripper Parameters
INSERT INTO registertable_0x15 VALUES (0, '最大行程低16位', 'Max. Stroken Low 16Bits', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x15 VALUES (1, '最大行程高16位', 'Max. Stroken High 16Bits', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x15 VALUES (2, '减速比分母', 'Reduction ratio Denominator', '0~65535', '0.0', 'unsigned');
INSERT INTO registertable_0x15 VALUES (3, '减速比分子', 'Reduction ratio Numerator', '0~65535', '0.0', 'unsigned');
