#pragma once

// Templates of the framework's window tests (TestDialogs.rc).
#define IDD_TEST_PLAIN 200    // at 0,0, no centring style
#define IDD_TEST_PLACED 201   // at 40,30
#define IDD_TEST_CENTERED 202 // DS_CENTER at 0,0
#define IDD_TEST_MISSING 299  // no such template

#define IDC_TEST_RADIO_A 1101
#define IDC_TEST_LABEL 1102
#define IDC_TEST_RADIO_B 1103
#define IDC_TEST_RADIO_C 1104
#define IDC_TEST_GROUP_END 1105
#define IDC_TEST_RADIO_D 1106
#define IDC_TEST_CHECK 1107
#define IDC_TEST_EDIT 1108
#define IDC_TEST_LIST 1109
