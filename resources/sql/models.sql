-- Model list: register 0x0A00 reports series (upper four bits of the high byte), model
-- within the series (lower four bits) and sub-model (low byte). The tool tests model
-- names for "TQP2-51500" (linear module), "KX" (rotary), "KY" and "RV77" (adaptive).
PRAGMA page_size = 4096;
PRAGMA encoding = 'UTF-8';
PRAGMA user_version = 0;

CREATE TABLE ModelSerial_Table (
  Gripper_Serial_Index integer NOT NULL,
  Serial_Name TEXT,
  Table_Name TEXT
);
INSERT INTO ModelSerial_Table VALUES (0, 'Adaptive', 'Adaptive');
INSERT INTO ModelSerial_Table VALUES (1, 'FLA', 'FLA');
INSERT INTO ModelSerial_Table VALUES (2, 'FLB', 'FLB');
INSERT INTO ModelSerial_Table VALUES (3, 'FLC', 'FLC');
INSERT INTO ModelSerial_Table VALUES (4, 'FLD', 'FLD');
INSERT INTO ModelSerial_Table VALUES (5, 'FLR', 'FLR');

-- Series 0: adaptive grippers (keys 1.x to 3.x)
CREATE TABLE Adaptive (
  Model_Index integer,
  Model_Name TEXT,
  SubModel_Index integer,
  SubModel_Name TEXT,
  Description TEXT
);
INSERT INTO Adaptive VALUES (1, 'KY32-S', 1, 'S1', '自适应夹爪，行程32毫米，标准手指');
INSERT INTO Adaptive VALUES (1, 'KY32-S', 2, 'S2', '自适应夹爪，行程32毫米，加长手指');
INSERT INTO Adaptive VALUES (2, 'KY45-RV77', 1, 'R1', '自适应夹爪，行程45毫米，固定速度');
INSERT INTO Adaptive VALUES (2, 'KY45-RV77', 2, 'R2', '自适应夹爪，行程45毫米，固定速度，防尘型');
INSERT INTO Adaptive VALUES (3, 'KY60-H', 1, 'H1', '自适应夹爪，行程60毫米，重载型');

-- Series 1: small parallel grippers (keys 17.x to 20.x)
CREATE TABLE FLA (
  Model_Index integer,
  Model_Name TEXT,
  SubModel_Index integer,
  SubModel_Name TEXT,
  Description TEXT
);
INSERT INTO FLA VALUES (1, 'GZ-10S', 1, 'S1', '小型平行夹爪，行程10毫米');
INSERT INTO FLA VALUES (1, 'GZ-10S', 2, 'S2', '小型平行夹爪，行程10毫米，侧面安装');
INSERT INTO FLA VALUES (2, 'GZ-16S', 1, 'S1', '小型平行夹爪，行程16毫米');
INSERT INTO FLA VALUES (3, 'GZ-20M', 1, 'M1', '小型平行夹爪，行程20毫米，中等夹持力');
INSERT INTO FLA VALUES (4, 'GZ-25M', 1, 'M1', '小型平行夹爪，行程25毫米，中等夹持力');

-- Series 2: medium parallel grippers (keys 37.x to 40.x)
CREATE TABLE FLB (
  Model_Index integer,
  Model_Name TEXT,
  SubModel_Index integer,
  SubModel_Name TEXT,
  Description TEXT
);
INSERT INTO FLB VALUES (5, 'GZB-35W', 1, 'W1', '中型平行夹爪，行程35毫米');
INSERT INTO FLB VALUES (6, 'GZB-40W', 1, 'W1', '中型平行夹爪，行程40毫米');
INSERT INTO FLB VALUES (7, 'GZB-50W', 1, 'W1', '中型平行夹爪，行程50毫米');
INSERT INTO FLB VALUES (7, 'GZB-50W', 2, 'W2', '中型平行夹爪，行程50毫米，加大夹持力');
INSERT INTO FLB VALUES (7, 'GZB-50W', 3, 'W3', '中型平行夹爪，行程50毫米，防护等级IP54');
INSERT INTO FLB VALUES (8, 'GZB-60W', 1, 'W1', '中型平行夹爪，行程60毫米');

-- Series 3: large parallel grippers (keys 49.x to 51.x)
CREATE TABLE FLC (
  Model_Index integer,
  Model_Name TEXT,
  SubModel_Index integer,
  SubModel_Name TEXT,
  Description TEXT
);
INSERT INTO FLC VALUES (1, 'GZC-80H', 1, 'H1', '大型平行夹爪，行程80毫米');
INSERT INTO FLC VALUES (1, 'GZC-80H', 2, 'H2', '大型平行夹爪，行程80毫米，带自锁');
INSERT INTO FLC VALUES (2, 'GZC-100H', 1, 'H1', '大型平行夹爪，行程100毫米');
INSERT INTO FLC VALUES (3, 'GZC-120H', 1, 'H1', '大型平行夹爪，行程120毫米，重载型');

-- Series 4: electric linear modules (keys 64.x, 65.x)
CREATE TABLE FLD (
  Model_Index integer,
  Model_Name TEXT,
  SubModel_Index integer,
  SubModel_Name TEXT,
  Description TEXT
);
INSERT INTO FLD VALUES (0, 'TQP2-51500', 1, 'P1', '电动直线模组，有效行程500毫米');
INSERT INTO FLD VALUES (0, 'TQP2-51500A', 2, 'P2', '电动直线模组，有效行程500毫米，扩展I/O');
INSERT INTO FLD VALUES (1, 'TQP2-51500L', 1, 'L1', '电动直线模组，有效行程500毫米，加长滑台');

-- Series 5: rotary grippers (keys 81.x to 84.x)
CREATE TABLE FLR (
  Model_Index integer,
  Model_Name TEXT,
  SubModel_Index integer,
  SubModel_Name TEXT,
  Description TEXT
);
INSERT INTO FLR VALUES (1, 'KX20-R', 1, 'R1', '旋转夹爪，行程20毫米，无限旋转');
INSERT INTO FLR VALUES (2, 'KX26-R', 1, 'R1', '旋转夹爪，行程26毫米，无限旋转');
INSERT INTO FLR VALUES (2, 'KX26-R', 2, 'R2', '旋转夹爪，行程26毫米，无限旋转，加大扭矩');
INSERT INTO FLR VALUES (2, 'KX26-R', 3, 'R3', '旋转夹爪，行程26毫米，限位旋转');
INSERT INTO FLR VALUES (3, 'KX40-R', 1, 'R1', '旋转夹爪，行程40毫米，无限旋转');
INSERT INTO FLR VALUES (4, 'KX55-R', 1, 'R1', '旋转夹爪，行程55毫米，无限旋转，重载型');
