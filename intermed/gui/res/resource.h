/* Resource ids of TmrxInt.dll: every resource script of the library and the
   code that loads its templates take them from here. Plain C preprocessor
   syntax, so that windres reads it too. */
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Version block */
#define IDV_VERSION 1

/* COM registration script and type library (notify.rc) */
#define IDR_REGISTRATION_SCRIPT 40002
#define IDR_TYPE_LIBRARY 1

/* Dialog templates and the bitmap */
#define IDD_MAIN_TRUNK 101
#define IDB_BANNER 106
#define IDD_ADVANCED_GROUP 107
#define IDD_SPEED_DUPLEX 108
#define IDD_PRIORITY_SETUP 110
#define IDD_PRIORITY_ENTRY 111
#define IDD_TRUNK_NAME 113

/* Main trunk dialog (101) */
#define IDC_TRUNK_BOX 1052
#define IDC_CREATE_TRUNK 1053
#define IDC_RENAME_TRUNK 1073
#define IDC_DELETE_TRUNK 1054
#define IDC_SPEED_DUPLEX 1037
#define IDC_TYPE_SYMMETRIC 1058
#define IDC_TYPE_ASYMMETRIC 1059
#define IDC_TYPE_FAILOVER 1060
#define IDC_ADVANCED 1023
#define IDC_MEMBER_LIST 1061
#define IDC_ADD_INTERFACE 1055
#define IDC_REMOVE_INTERFACE 1056
#define IDC_AVAILABLE_LIST 1002
#define IDC_PRIORITY_TRUNKING 1057
#define IDC_BANNER 106

/* Set Trunk Name (113) */
#define IDC_NAME_LABEL 1072
#define IDC_NAME_FIELD 1071

/* Advanced Group Features (107) */
#define IDC_GROUP_NAME 1062
#define IDC_RD_COUNT 1063
#define IDC_TD_COUNT 1064
#define IDC_BALANCE_ADAPTIVE 1011
#define IDC_BALANCE_ROUND_ROBIN 1012
#define IDC_BALANCE_FIXED 1013

/* Speed and Duplex Settings (108) */
#define IDC_SPEED_GROUP_NAME 1065
#define IDC_SPEED_MEMBERS 1003
#define IDC_SPEED_100 1066
#define IDC_SPEED_10 1067
#define IDC_SPEED_AUTO 1028
#define IDC_DUPLEX_FULL 1068
#define IDC_DUPLEX_HALF 1027

/* Priority Trunking Setup Dialog (110) */
#define IDC_SETUP_TRUNK_BOX 1046
#define IDC_ADD_PRIORITY 1004
#define IDC_RULE_LIST 1001
#define IDC_MOVE_UP 1007
#define IDC_MOVE_DOWN 1045
#define IDC_MODIFY_RULE 1005
#define IDC_DELETE_RULE 1006

/* Priority Trunk Entry Particulars (111) */
#define IDC_ENTRY_TRUNK 1040
#define IDC_NET_PROTOCOL 1042
#define IDC_IP_ENABLE 1024
#define IDC_IP_PROTOCOL 1069
#define IDC_DEST_ENABLE 1025
#define IDC_DEST_ADDRESS 1043
#define IDC_NETMASK 1047
#define IDC_SOCKET_ENABLE 1026
#define IDC_SOCKET 1049
#define IDC_PORTS 1039
#define IDC_MEMBER_COUNT 1050
