// Resource and control ids of the program's dialogs.
#pragma once

#define IDD_MAIN 102
#define IDI_MAIN 128

#define IDC_DEVICE_LIST 1001
#define IDC_CLEAR 1003
#define IDC_SET 1004
#define IDC_RECORD 1005
#define IDC_RECORD_FILES 1006

#define IDD_SET 129
#define IDC_SET_IP_LABEL 130
#define IDC_SET_NETMASK_LABEL 131
#define IDC_SET_GATEWAY_LABEL 132
#define IDC_SET_IP 133
#define IDC_SET_NETMASK 134
#define IDC_SET_GATEWAY 135
#define IDC_SET_ID_LABEL 136
#define IDC_SET_ID 137

#define IDD_SEARCH 140
#define IDC_SEARCH_LABEL 141
#define IDC_SEARCH_TEXT 142
#define IDC_SEARCH_PROGRESS 143
#define IDC_SEARCH_STATUS 144

// Commands of the device list's shortcut menu and keys. Set, Record/Stop and Record Files use
// their buttons' ids, so that the menu reaches the buttons' own handlers.
#define ID_OPEN_WEB_PAGE 32771
#define ID_COPY_ROWS 32772
#define ID_COPY_ALL 32773
#define ID_SEARCH_NOW 32774
#define ID_SEARCH_NETWORKS 32775
#define ID_RECORDING_DETAILS 32776
