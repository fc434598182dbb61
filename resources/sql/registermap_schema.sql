-- Register map database: one index row per register group, one table per group.
-- Shared by the gripper and the linear module database; the build reads this file
-- first, then the shared and the device-specific content, then the statistics.
PRAGMA page_size = 4096;
PRAGMA encoding = 'UTF-8';
PRAGMA user_version = 0;

CREATE TABLE register_indextable (
  Reg_Add_Hi integer(1) NOT NULL PRIMARY KEY,
  Func_Description_CH TEXT(45),
  Func_Description_EN TEXT(45),
  Reg_Table_Name TEXT(45),
  Reg_Num INTEGER(1) NOT NULL,
  Reg_RW TEXT(45) NOT NULL,
  Scan_Rate integer(1),
  Access_Level integer
);

CREATE TABLE registertable_0x00 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x01 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x02 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x03 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x04 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x05 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x0A (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x11 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x12 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x13 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x14 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
CREATE TABLE registertable_0x15 (
  Reg_Add_Lo integer(1) NOT NULL PRIMARY KEY,
  Reg_Description_CH TEXT(255) NOT NULL,
  Reg_Description_EN TEXT(255) NOT NULL,
  Reg_Value_Range TEXT(255) NOT NULL,
  Protocol_Version text(32) NOT NULL,
  Format TEXT(255) NOT NULL
);
