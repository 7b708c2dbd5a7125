// The fixed control IDs of the window w_server, one per control. The Win32 view gives each control its
// ID; the UI automation finds controls by them.
#pragma once

namespace setup::ids {

// The window itself.
inline constexpr int p_2 = 1001;
inline constexpr int p_1 = 1002;
inline constexpr int cb_next = 1003;
inline constexpr int cb_prev = 1004;
inline constexpr int cb_1 = 1005;
inline constexpr int st_11 = 1006;
inline constexpr int st_4 = 1007;
inline constexpr int ln_1 = 1008;
inline constexpr int ln_2 = 1009;
inline constexpr int gb_1 = 1010;
inline constexpr int tab_1 = 1011;
inline constexpr int tabpage_1 = 1021;
inline constexpr int tabpage_5 = 1022;
inline constexpr int tabpage_2 = 1023;
inline constexpr int tabpage_4 = 1024;
inline constexpr int tabpage_3 = 1025;

// Page 1: edition and SQL Server version.
inline constexpr int rb_dd = 1101;
inline constexpr int rb_jmzb = 1102;
inline constexpr int rb_zb = 1103;
inline constexpr int rb_sql2012 = 1104;
inline constexpr int rb_sql2008 = 1105;
inline constexpr int rb_sql2005 = 1106;
inline constexpr int rb_sql2000 = 1107;
inline constexpr int st_5 = 1108;
inline constexpr int st_10 = 1109;
inline constexpr int gb_5 = 1110;
inline constexpr int gb_4 = 1111;

// Page 2: the TCP port.
inline constexpr int st_28 = 1201;
inline constexpr int sle_old_port = 1202;
inline constexpr int st_27 = 1203;
inline constexpr int sle_port = 1204;
inline constexpr int st_26 = 1205;
inline constexpr int st_disc = 1206;
inline constexpr int cb_6 = 1207;
inline constexpr int st_20 = 1208;
inline constexpr int st_21 = 1209;
inline constexpr int st_22 = 1210;
inline constexpr int st_23 = 1211;
inline constexpr int st_24 = 1212;
inline constexpr int st_25 = 1213;
inline constexpr int gb_6 = 1214;
inline constexpr int gb_7 = 1215;

// Page 3: server, passwords, database, SQL Server paths, backup file.
inline constexpr int st_custtip = 1301;
inline constexpr int sle_custname = 1302;
inline constexpr int st_custname = 1303;
inline constexpr int sle_dbname = 1304;
inline constexpr int st_dbname = 1305;
inline constexpr int st_memo = 1306;
inline constexpr int st_sql_version = 1307;
inline constexpr int sle_sqlsetup = 1308;
inline constexpr int pb_3 = 1309;
inline constexpr int sle_sqldatasetup = 1310;
inline constexpr int st_9 = 1311;
inline constexpr int pb_2 = 1312;
inline constexpr int st_7 = 1313;
inline constexpr int sle_pass1 = 1314;
inline constexpr int st_1 = 1315;
inline constexpr int sle_pass = 1316;
inline constexpr int st_pass = 1317;
inline constexpr int st_servername = 1318;
inline constexpr int pb_backupdata = 1319;
inline constexpr int sle_backupdata = 1320;
inline constexpr int st_backupdata = 1321;
inline constexpr int sle_servername = 1322;
inline constexpr int gb_2 = 1323;

// Page 4: installation of the database and the accessories.
inline constexpr int pb_wcf = 1401;
inline constexpr int st_wcf = 1402;
inline constexpr int st_wcf_info = 1403;
inline constexpr int cbx_1 = 1404;
inline constexpr int st_15 = 1405;
inline constexpr int st_14 = 1406;
inline constexpr int st_13 = 1407;
inline constexpr int st_8 = 1408;
inline constexpr int pb_7 = 1409;
inline constexpr int pb_6 = 1410;
inline constexpr int pb_4 = 1411;
inline constexpr int cb_4 = 1412;
inline constexpr int cb_5 = 1413;
inline constexpr int cb_2 = 1414;
inline constexpr int st_dis2 = 1415;
inline constexpr int st_dis = 1416;

// Page 5: never selected.
inline constexpr int sle_pas = 1501;
inline constexpr int sle_server = 1502;
inline constexpr int st_18 = 1503;
inline constexpr int st_17 = 1504;
inline constexpr int st_16 = 1505;
inline constexpr int gb_3 = 1506;

}  // namespace setup::ids
