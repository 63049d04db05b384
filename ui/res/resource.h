// Resource ids of Quillaberton (shared by the resource script and the code).
#pragma once

// Dialog templates, menu, icon and strings.
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_QUILLABERTON_DIALOG 102
#define IDR_MAINFRAME 128
#define IDR_MENU 130
#define IDD_TIMESETTING_DIALOG 132
#define IDD_ENDNOTICE_DIALOG 134
#define IDD_DETAILSETTING_DIALOG 135

// System menu item of the About box.
#define IDM_ABOUTBOX 0x0010

// Main window.
#define IDC_CLOCK 1004
#define IDC_SCHEDULE_LIST 1005
#define IDC_ADD_ENTRY 1006
#define IDC_EDIT_ENTRY 1007
#define IDC_DELETE_ENTRY 1008
#define IDC_DETAIL_SETTING 1009
#define IDC_SPIN 1038
#define IDC_NEXT_DUE 1040
#define IDC_RULE 1041

// Entry editor.
#define IDC_CHECK_SUNDAY 1011
#define IDC_CHECK_MONDAY 1012
#define IDC_CHECK_TUESDAY 1013
#define IDC_CHECK_WEDNESDAY 1014
#define IDC_CHECK_THURSDAY 1015
#define IDC_CHECK_FRIDAY 1016
#define IDC_CHECK_SATURDAY 1017
#define IDC_NAME 1018
#define IDC_YEAR 1022
#define IDC_MONTH 1023
#define IDC_DAY 1024
#define IDC_RADIO_DATE 1025
#define IDC_RADIO_WEEK 1026
#define IDC_HOUR 1027
#define IDC_MINUTE 1028
#define IDC_SECOND 1029
#define IDC_RADIO_SHUTDOWN 1030
#define IDC_RADIO_REBOOT 1031
#define IDC_RADIO_STANDBY 1032
#define IDC_RADIO_LOGOFF 1034

// Warning dialog.
#define IDC_END_MODE 1034
#define IDC_COUNTDOWN 1041
#define IDC_POSTPONE 1042

// Detail settings dialog.
#define IDC_CHECK_TASKTRAY 1036

// Menu commands.
#define ID_EXIT_PROGRAM 32772
#define ID_STORE_TASKTRAY 32773
#define ID_ADD_ENTRY 32774
#define ID_EDIT_ENTRY 32775
#define ID_DELETE_ENTRY 32776
#define ID_VERSION_INFO 32777
#define ID_DETAIL_SETTING 32778
